#include "DialogUnitScale.h"

#include <QFontMetrics>

namespace brisvander {

namespace {

// Rounded a * b / c, as MulDiv does it.
int MulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>((product + (product >= 0 ? c / 2 : -c / 2)) / c);
}

int AverageWidthOf(const QFontMetrics& metrics)
{
    // The platform's own sample: the 52 letters, halved and rounded.
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (width / 26 + 1) / 2;
}

} // namespace

DialogUnitScale::DialogUnitScale(int averageCharWidth, int charHeight)
    : m_averageCharWidth(averageCharWidth), m_charHeight(charHeight)
{
}

DialogUnitScale::DialogUnitScale(const QFont& dialogFont)
    : DialogUnitScale(AverageWidthOf(QFontMetrics(dialogFont)), QFontMetrics(dialogFont).height())
{
}

int DialogUnitScale::X(int units) const { return MulDiv(units, m_averageCharWidth, 4); }

int DialogUnitScale::Y(int units) const { return MulDiv(units, m_charHeight, 8); }

QRect DialogUnitScale::Rect(int x, int y, int width, int height) const
{
    // Each edge is converted, as the platform maps a dialog rectangle.
    return QRect(X(x), Y(y), X(x + width) - X(x), Y(y + height) - Y(y));
}

} // namespace brisvander
