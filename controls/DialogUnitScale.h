#pragma once
// Dialog units to pixels, from the dialog font, as the original platform
// converts its dialog templates: x by a quarter of the average character
// width, y by an eighth of the character height.
#include <QRect>

class QFont;

class DialogUnitScale {
public:
    DialogUnitScale(int averageCharWidth, int charHeight);
    explicit DialogUnitScale(const QFont& dialogFont);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

    int AverageCharWidth() const { return m_averageCharWidth; }
    int CharHeight() const { return m_charHeight; }

private:
    int m_averageCharWidth;
    int m_charHeight;
};
