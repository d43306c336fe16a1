#include "FitToText.h"

namespace brisvander {

LabelRect FitRectToText(LabelRect rect, int textWidth, int textHeight, LabelAlignment alignment)
{
    // Halves truncate toward zero, so an odd difference leaves one pixel
    // over (or missing) instead of moving the label off its centre.
    if (alignment.centreImage) {
        const int dy = (rect.Height() - textHeight) / 2;
        rect.top += dy;
        rect.bottom -= dy;
    } else {
        rect.bottom = rect.top + textHeight;
    }

    if (alignment.centre) {
        const int dx = (rect.Width() - textWidth) / 2;
        rect.left += dx;
        rect.right -= dx;
    } else if (alignment.right) {
        rect.left = rect.right - textWidth;
    } else {
        rect.right = rect.left + textWidth;
    }
    return rect;
}

} // namespace brisvander
