#pragma once
// A panel surface that measures with fixed metrics and records each call.
#include "CreditsScroll.h"

#include <string>
#include <vector>

namespace brisvander::testsupport {

class RecordingSurface : public CreditsSurface {
public:
    struct Drawn {
        std::string text;
        PanelRect rect;
    };

    int width = 200;
    int height = 100;
    int lineHeight = 16;
    int charWidth = 10;
    int descent = 0;

    std::vector<Drawn> drawn;
    std::vector<PanelRect> filled;

    PanelRect ClientRect() const override { return PanelRect{0, 0, width, height}; }
    TextExtent MeasureText(const std::string& sample) override
    {
        return TextExtent{charWidth * static_cast<int>(sample.size()), lineHeight, descent};
    }
    void FillRect(const PanelRect& rect, COLORREF) override { filled.push_back(rect); }
    void DrawCentredText(const std::string& text, const PanelRect& rect, COLORREF) override
    {
        drawn.push_back(Drawn{text, rect});
    }
    void Clear()
    {
        drawn.clear();
        filled.clear();
    }
};

} // namespace brisvander::testsupport
