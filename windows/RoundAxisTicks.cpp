#include "RoundAxisTicks.h"

#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace brisvander {

void RoundAxisTicks(QValueAxis& axis)
{
    axis.applyNiceNumbers();
    const double tick = (axis.max() - axis.min()) / std::max(1, axis.tickCount() - 1);
    const int decimals = tick > 0 ? std::clamp(static_cast<int>(-std::floor(std::log10(tick) + 1e-9)), 0, 6) : 0;
    axis.setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

} // namespace brisvander
