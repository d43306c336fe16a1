#include "CreditsScroll.h"

#include "CreditsWrap.h"

#include <utility>

namespace brisvander {

CreditsScroll::CreditsScroll(CreditsFont defaultFont) : m_font(std::move(defaultFont))
{
    m_font.faceName = CutToCharacters(m_font.faceName, MaxFaceNameChars);
}

void CreditsScroll::AddLines(const std::vector<std::string>& entries, CreditsSurface& surface)
{
    std::vector<std::string> texts;
    texts.reserve(m_lines.size() + entries.size());
    for (const ScrollLine& line : m_lines)
        texts.push_back(line.text);
    texts.insert(texts.end(), entries.begin(), entries.end());

    const PanelRect client = surface.ClientRect();
    const int charWidth = surface.MeasureText("T").cx;
    const int cpl = charWidth > 0 ? (client.right - client.left) / charWidth : 1;

    RemoveAllLines();
    for (std::string& text : WrapCreditLines(texts, cpl))
        m_lines.push_back(ScrollLine{std::move(text), 0, 0, true});
    // Lines given after the first layout would otherwise sit at top 0.
    m_bLayoutPending = true;
}

void CreditsScroll::RemoveAllLines() { m_lines.clear(); }

std::string CreditsScroll::SetFontName(const std::string& faceName)
{
    return std::exchange(m_font.faceName, CutToCharacters(faceName, MaxFaceNameChars));
}

void CreditsScroll::SetFontSize(int pixels) { m_font.pixelSize = pixels; }

void CreditsScroll::SetFontItalic(bool italic) { m_font.italic = italic; }

COLORREF CreditsScroll::SetTextColor(COLORREF colour) { return std::exchange(m_clrText, colour); }

COLORREF CreditsScroll::SetBkColor(COLORREF colour) { return std::exchange(m_clrBack, colour); }

TextExtent CreditsScroll::LineExtent(CreditsSurface& surface) { return surface.MeasureText("TEST"); }

int CreditsScroll::LineHeight(CreditsSurface& surface) { return LineExtent(surface).cy; }

void CreditsScroll::LayOut(CreditsSurface& surface)
{
    const int height = LineHeight(surface);
    int y = surface.ClientRect().bottom;
    for (ScrollLine& line : m_lines) {
        line.top = line.homeTop = y;
        line.moving = true;
        y += height + 1;
    }
    m_bLayoutPending = false;
}

void CreditsScroll::FillBackground(CreditsSurface& surface, PanelRect rect)
{
    if (rect == PanelRect{})
        rect = surface.ClientRect();
    if (m_bLayoutPending && !m_lines.empty())
        LayOut(surface);
    surface.FillRect(rect, m_clrBack);
}

void CreditsScroll::Paint(CreditsSurface& surface) { FillBackground(surface, PanelRect{}); }

void CreditsScroll::ScrollStep(CreditsSurface& surface)
{
    if (m_lines.empty())
        return;
    const PanelRect client = surface.ClientRect();
    const int right = client.right;
    const int bottom = client.bottom;
    const TextExtent sample = LineExtent(surface);
    const int height = sample.cy;

    const std::size_t last = m_lines.size() - 1;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        ScrollLine& line = m_lines[i];
        if (line.moving)
            --line.top;
        if (line.top < 0) {
            // Wipe the image it left; the rest lies under the top band.
            FillBackground(surface, PanelRect{0, 0, right, height + 1});
            line.top = line.homeTop;
            if (i == last) {
                for (ScrollLine& other : m_lines)
                    other.moving = true;
                break;
            }
            line.moving = false;
        } else if (line.top <= bottom - height) {
            FillBackground(surface, PanelRect{0, line.top - 1, right, line.top + height + 1});
            surface.DrawCentredText(line.text, PanelRect{0, line.top, right, line.top + height}, m_clrText);
        }
    }
    // Once the band has a line's body, what stays below it is descender
    // stubs only: they go with the body. Lines stand one row apart, so the
    // next line is never touched.
    for (const ScrollLine& line : m_lines) {
        if (line.top > 0 && line.top <= sample.descent)
            FillBackground(surface, PanelRect{0, height, right, line.top + height});
    }
    FillBackground(surface, PanelRect{0, 0, right, height});
}

} // namespace brisvander
