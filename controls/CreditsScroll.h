#pragma once
// The credits panel without a window: wrapping, layout, and per tick which
// strips to erase and which lines to draw where. A surface does the drawing.
#include "ColorRef.h"

#include <string>
#include <vector>

namespace brisvander {

struct PanelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PanelRect&) const = default;
};

struct TextExtent {
    int cx = 0;
    int cy = 0;
    int descent = 0; // of the font: the rows of cy below the baseline
};

// What the panel needs of the window system. Measuring and drawing use the
// panel's current font.
class CreditsSurface {
public:
    virtual ~CreditsSurface() = default;
    virtual PanelRect ClientRect() const = 0;
    virtual TextExtent MeasureText(const std::string& sample) = 0;
    virtual void FillRect(const PanelRect& rect, COLORREF colour) = 0;
    // Centred horizontally, top-aligned, clipped to rect, background left as it is.
    virtual void DrawCentredText(const std::string& text, const PanelRect& rect, COLORREF colour) = 0;
};

struct ScrollLine {
    std::string text;
    int top = 0;
    int homeTop = 0;
    bool moving = true;
};

struct CreditsFont {
    std::string faceName;  // at most MaxFaceNameChars characters
    int pixelSize = 0;     // character height; 0 keeps the default font's
    bool italic = false;
};

class CreditsScroll {
public:
    // The original's face-name field holds 31 characters and its terminator.
    static constexpr std::size_t MaxFaceNameChars = 31;

    explicit CreditsScroll(CreditsFont defaultFont = {});

    // Appends the entries, wraps all lines to the surface's width in the
    // current font; the next paint lays out the whole list afresh.
    void AddLines(const std::vector<std::string>& entries, CreditsSurface& surface);
    void RemoveAllLines();

    // A longer face name is cut to MaxFaceNameChars characters.
    std::string SetFontName(const std::string& faceName);
    void SetFontSize(int pixels);
    void SetFontItalic(bool italic);
    COLORREF SetTextColor(COLORREF colour);
    COLORREF SetBkColor(COLORREF colour);

    // The paint: lays the lines out when pending and fills the whole panel.
    void Paint(CreditsSurface& surface);
    // One timer tick: every line one pixel up, strips erased and redrawn.
    void ScrollStep(CreditsSurface& surface);

    const std::vector<ScrollLine>& Lines() const { return m_lines; }
    bool LayoutPending() const { return m_bLayoutPending; }
    const CreditsFont& Font() const { return m_font; }
    COLORREF TextColor() const { return m_clrText; }
    COLORREF BkColor() const { return m_clrBack; }

private:
    void FillBackground(CreditsSurface& surface, PanelRect rect);
    void LayOut(CreditsSurface& surface);
    static TextExtent LineExtent(CreditsSurface& surface); // of a sample line: height and descent
    static int LineHeight(CreditsSurface& surface);

    std::vector<ScrollLine> m_lines;
    bool m_bLayoutPending = true;
    CreditsFont m_font;
    COLORREF m_clrText = Rgb(0, 0, 0);
    COLORREF m_clrBack = Rgb(204, 204, 255);
};

} // namespace brisvander
