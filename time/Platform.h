#pragma once
// The two vocabulary types that the time core's outward operations keep from
// the program's original platform: a BOOL result (nonzero: success) and the
// calendar record. Below those operations the code speaks plain C++.
#include <cstdint>

namespace brisvander {

using BOOL = int;

// Calendar record, always UTC here: the report and the calendar conversions
// rely on these fields and their ranges.
struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;         // 1-12
    std::uint16_t wDayOfWeek = 0;     // 0 = Sunday
    std::uint16_t wDay = 0;           // 1-31
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;  // 0-999
};

} // namespace brisvander
