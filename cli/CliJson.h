#pragma once
// The --json form of one run: a single object for scripts.
#include "TimeCommand.h"

#include <QByteArray>
#include <QString>
#include <string>

namespace brisvander {

// "YYYY-MM-DDTHH:MM:SS.mmmZ" from the same calendar conversion as the report.
std::string IsoUtcText(const NtpTimestamp& timestamp);

QByteArray OutcomeToJson(ReportCommand command, const QString& host, int port, const TimeCommandOutcome& outcome);

} // namespace brisvander
