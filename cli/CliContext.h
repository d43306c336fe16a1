#pragma once
// What every command of brisvander-cli runs with besides its command line:
// the clock (tests pass a recording one, so no test sets the real clock),
// where its text goes, how it pauses between exchanges and how a watch ends
// and waits (tests need not wait).
#include "CliOutput.h"
#include "ClockControl.h"
#include "SampleSeries.h"
#include "WatchStop.h"

namespace brisvander {

struct CliContext {
    ClockControl& Clock; // not owned
    CliOutput& Output;   // not owned
    SamplePause Pause = SleepFor;
    WatchStop* Stop = nullptr; // not owned; null: a watch ends on SIGINT or SIGTERM
};

} // namespace brisvander
