#pragma once
// Dialog units to pixels, from the dialog font, as the original platform
// converts its dialog templates: x by a quarter of the average character
// width, y by an eighth of the character height.
#include <QRect>

class QFont;

namespace brisvander {

class DialogUnitScale {
public:
    DialogUnitScale(int averageCharWidth, int charHeight);
    explicit DialogUnitScale(const QFont& dialogFont);

    int X(int units) const;
    int Y(int units) const;
    // Each edge converted, as the platform maps a dialog rectangle.
    QRect Rect(int x, int y, int width, int height) const;
    QRect Rect(const QRect& units) const { return Rect(units.x(), units.y(), units.width(), units.height()); }

    int AverageCharWidth() const { return m_averageCharWidth; }
    int CharHeight() const { return m_charHeight; }

private:
    int m_averageCharWidth;
    int m_charHeight;
};

} // namespace brisvander
