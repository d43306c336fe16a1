#pragma once
// Dialog units: the form layouts are given in units of the dialog font, a
// quarter of its average character width across and an eighth of its
// height down, so the forms keep their proportions with any font.
#include <QFont>
#include <QRect>

struct DialogBaseUnits {
    int Cx = 0; // average character width in pixels
    int Cy = 0; // character height in pixels
};

DialogBaseUnits DialogBaseUnitsOf(const QFont& font);

// number * numerator / denominator, rounded to the nearest integer.
int MulDiv(int number, int numerator, int denominator);

int DluToPixelsX(int x, DialogBaseUnits base);
int DluToPixelsY(int y, DialogBaseUnits base);
QRect DluToPixels(const QRect& dialogUnits, DialogBaseUnits base);
