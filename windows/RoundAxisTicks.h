#pragma once
// Ticks a person reads at a glance: at round values, labelled with as many
// decimals as the distance between two of them needs, and no more.
class QValueAxis;

namespace brisvander {

// Widens the axis's range to round ticks and sets its label format.
void RoundAxisTicks(QValueAxis& axis);

} // namespace brisvander
