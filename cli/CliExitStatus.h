#pragma once
// What brisvander-cli's exit status tells a script (the manual page lists
// them); above 2 the numbers of sysexits.h.

namespace brisvander {

inline constexpr int ExitSuccess = 0;     // done: the time came (and, for sync, the clock was set), or help
inline constexpr int ExitQueryFailed = 1; // no time from the server: the report says why
inline constexpr int ExitClockNotSet = 2; // sync: the time came, but the clock was not set
inline constexpr int ExitNoVerdict = 3;   // survey: answers came, but they give no verdict
inline constexpr int ExitUsage = 64;      // EX_USAGE: the command line was wrong; nothing ran
inline constexpr int ExitRightNotGivenUp = 71; // EX_OSERR: the clock right could not be given up; nothing ran
inline constexpr int ExitOutputLost = 74; // EX_IOERR: the result could not be written; replaces the others

} // namespace brisvander
