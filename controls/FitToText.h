#pragma once
// Where a label sits once it is shrunk or grown to its text.

namespace brisvander {

// Edges as the original platform gives them: right and bottom exclusive.
struct LabelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LabelRect&) const = default;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct LabelAlignment {
    bool centre = false;       // SS_CENTER
    bool right = false;        // SS_RIGHT
    bool centreImage = false;  // SS_CENTERIMAGE: centred vertically
};

// textWidth x textHeight is the extent of the whole text in the label's font.
LabelRect FitRectToText(LabelRect rect, int textWidth, int textHeight, LabelAlignment alignment);

} // namespace brisvander
