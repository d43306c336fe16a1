#pragma once
// The whole command-line program, minus the process: arguments in, text and
// exit status out. The clock is a parameter so tests never set the real one;
// the pause between samples is one so tests need not wait.
#include "CliOutput.h"
#include "ClockControl.h"
#include "SampleSeries.h"

#include <QStringList>

namespace brisvander {

int RunCli(const QStringList& arguments, ClockControl& clock, CliOutput& output,
           const SamplePause& pause = SleepFor);

// Says `message` and the synopsis on the message stream; returns ExitUsage.
int ReportUsageError(CliOutput& output, const QString& message);

} // namespace brisvander
