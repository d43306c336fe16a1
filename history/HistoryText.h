#pragma once
// How values of the history become text on a terminal or in a file. Pure
// functions, no Qt.
#include <cstdint>
#include <string>

namespace brisvander {

// UTC Unix microseconds as "2026-12-07T19:41:28.123456Z"; `separator`
// stands between date and time. Times before 1970 count down correctly.
std::string UtcTimeText(std::int64_t unixMicroseconds, char separator = 'T');

} // namespace brisvander
