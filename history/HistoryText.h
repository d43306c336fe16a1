#pragma once
// How values of the history become text on a terminal or in a file. Pure
// functions, no Qt.
#include <cstdint>
#include <string>
#include <string_view>

namespace brisvander {

// Control characters (C0, DEL, C1) and bytes that are not UTF-8 written as
// "\xHH" (lower-case hex; for C1 the code point), so that a host read from
// the file cannot steer a terminal. Everything else is kept.
std::string EscapeForTerminal(std::string_view text);

// UTC Unix microseconds as "2026-12-07T19:41:28.123456Z"; `separator`
// stands between date and time. Times before 1970 count down correctly.
std::string UtcTimeText(std::int64_t unixMicroseconds, char separator = 'T');

} // namespace brisvander
