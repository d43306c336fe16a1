#pragma once
// The --json form of one run: a single object for scripts.
#include "TimeCommand.h"
#include "WatchCommand.h"

#include <QByteArray>
#include <string>

namespace brisvander {

// "YYYY-MM-DDTHH:MM:SS.mmmZ" from the same calendar conversion as the report.
std::string IsoUtcText(const NtpTimestamp& timestamp);

// The chosen exchange's figures (nulls when the query failed), the host as
// queried, and every sample with the index of the chosen one; for Sync,
// whether the clock was set and, when not, a token that says why.
QByteArray OutcomeToJson(ReportCommand command, const TimeCommandOutcome& outcome);

// One exchange of a watch: the fields of OutcomeToJson that one exchange
// has (command "watch"), plus "time" (UTC, microseconds) and "interleaved".
QByteArray WatchMeasurementToJson(const WatchSession& session, const WatchMeasurement& measurement);
// The watch's end: "summary": true, host, port, exchanges, answered,
// offset_min, offset_median, offset_max, jitter (seconds) and drift_ppm,
// drift_ppm_uncertainty, seconds_per_day; null where there is none.
QByteArray WatchSummaryToJson(const WatchSession& session, const WatchSummary& summary);

} // namespace brisvander
