#include "ClockStep.h"

#include <cmath>

namespace brisvander {

std::optional<ClockStep> ClockStepFromSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > MaxClockStepSeconds)
        return std::nullopt;
    // floor, not trunc: the nanosecond part must stay non-negative.
    const double whole = std::floor(seconds);
    ClockStep step;
    step.Seconds = static_cast<std::int64_t>(whole);
    step.Nanoseconds = std::llround((seconds - whole) * 1e9);
    if (step.Nanoseconds >= 1000000000) {
        step.Seconds += 1;
        step.Nanoseconds -= 1000000000;
    }
    return step;
}

std::int64_t ClockStepMicroseconds(const ClockStep& step)
{
    const std::int64_t nanoseconds = step.Seconds * 1000000000 + step.Nanoseconds;
    const std::int64_t half = nanoseconds < 0 ? -500 : 500;
    return (nanoseconds + half) / 1000;
}

} // namespace brisvander
