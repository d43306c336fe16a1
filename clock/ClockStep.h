#pragma once
// A step of the system clock in the form the kernel takes it: whole seconds
// plus a nanosecond part that is never negative. -1.25 s is {-2, 750000000}:
// a negative nanosecond part is refused by the kernel.
#include <cstdint>
#include <optional>

namespace brisvander {

struct ClockStep {
    std::int64_t Seconds = 0;
    std::int64_t Nanoseconds = 0; // 0 to 999999999

    friend bool operator==(const ClockStep&, const ClockStep&) = default;
};

// The largest step taken, in seconds either way: far beyond any true offset
// (68 years), and far inside what time_t and a double hold exactly to the
// nanosecond's order.
inline constexpr double MaxClockStepSeconds = 2147483648.0;

// Splits a step in seconds (positive: forward), rounded to the nearest
// nanosecond. Nothing for a step that is not finite or beyond the largest.
std::optional<ClockStep> ClockStepFromSeconds(double seconds);

// The step in whole microseconds, rounded to the nearest (half a microsecond
// away from zero), as the system's time service takes it.
std::int64_t ClockStepMicroseconds(const ClockStep& step);

} // namespace brisvander
