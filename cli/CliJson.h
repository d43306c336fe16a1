#pragma once
// The --json form of one run: a single object for scripts.
#include "TimeCommand.h"

#include <QByteArray>
#include <string>

namespace brisvander {

// "YYYY-MM-DDTHH:MM:SS.mmmZ" from the same calendar conversion as the report.
std::string IsoUtcText(const NtpTimestamp& timestamp);

// The chosen exchange's figures (nulls when the query failed), the host as
// queried, and every sample with the index of the chosen one; for Sync,
// whether the clock was set and, when not, a token that says why.
QByteArray OutcomeToJson(ReportCommand command, const TimeCommandOutcome& outcome);

} // namespace brisvander
