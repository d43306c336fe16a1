#pragma once
// What every command of brisvander-cli runs with besides its command line:
// the clock (tests pass a recording one, so no test sets the real clock),
// where its text goes, and how it pauses between exchanges (tests need not
// wait).
#include "CliOutput.h"
#include "ClockControl.h"
#include "SampleSeries.h"

namespace brisvander {

struct CliContext {
    ClockControl& Clock; // not owned
    CliOutput& Output;   // not owned
    SamplePause Pause = SleepFor;
};

} // namespace brisvander
