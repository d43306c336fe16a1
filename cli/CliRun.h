#pragma once
// The whole command-line program, minus the process: arguments in, text and
// exit status out. The clock is a parameter so tests never set the real one;
// the pause between samples is one so tests need not wait.
#include "CliOutput.h"
#include "ClockControl.h"
#include "SampleSeries.h"
#include "WatchStop.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisvander {

// A watch ends on SIGINT or SIGTERM unless `stop` (not owned) is given.
int RunCli(const QStringList& arguments, ClockControl& clock, CliOutput& output,
           const SamplePause& pause = SleepFor, WatchStop* stop = nullptr);

// The host a command asks: the one given, else the one the desktop program
// stored (saying on the message stream why the store could not be used),
// else the default.
QString HostToQuery(const std::optional<QString>& host, CliOutput& output);

// Says `message` and the synopsis on the message stream; returns ExitUsage.
int ReportUsageError(CliOutput& output, const QString& message);

} // namespace brisvander
