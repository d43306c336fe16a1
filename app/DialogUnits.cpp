#include "DialogUnits.h"

#include <QFontMetrics>

DialogBaseUnits DialogBaseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {MulDiv(alphabetWidth, 1, 52), metrics.height()};
}

int MulDiv(int number, int numerator, int denominator)
{
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    const long long rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

int DluToPixelsX(int x, DialogBaseUnits base) { return MulDiv(x, base.Cx, 4); }
int DluToPixelsY(int y, DialogBaseUnits base) { return MulDiv(y, base.Cy, 8); }

QRect DluToPixels(const QRect& dialogUnits, DialogBaseUnits base)
{
    return QRect(DluToPixelsX(dialogUnits.x(), base), DluToPixelsY(dialogUnits.y(), base),
                 DluToPixelsX(dialogUnits.width(), base), DluToPixelsY(dialogUnits.height(), base));
}
