#pragma once
// The text of a watch: its heading, one line per exchange with a strip
// like a stripchart, and the summary. Pure functions.
#include "WatchCommand.h"

#include <string>

namespace brisvander {

// Columns of the strip: the middle one is an offset of zero.
inline constexpr int WatchStripWidth = 41;

// The strip for `offsetSeconds` on a scale of ±`scaleSeconds` (both ends
// of the strip): '|' at zero, '*' at the offset, which wins where the two
// meet; with a zero scale the offset is at zero.
std::string WatchStrip(double offsetSeconds, double scaleSeconds);

// "Beobachte SNTP Zeitserver: HOST, alle S s ..." and the column heads,
// each line ending in a line break.
std::string WatchHeading(const std::string& host, std::chrono::milliseconds interval);

// One exchange: local date and time ("2026-05-01 14:03:07", the local time
// of `localTime`), then offset, delay, the strip and " IL" for an
// interleaved answer; a failed one gives "Fehler Nr. N" instead. Ends in a
// line break.
std::string WatchLine(const WatchMeasurement& measurement, const std::string& localTime);

// The local date and time of UTC Unix microseconds, to the second.
std::string LocalTimeText(std::int64_t unixMicroseconds);

// Exchanges and answers; with answers the offsets' minimum, median and
// maximum, the jitter, and the drift when there is one. Ends in a line break.
std::string WatchSummaryText(const WatchSummary& summary);

} // namespace brisvander
