#pragma once
// The clock control both programs set the clock through.
#include "ClockControl.h"

namespace brisvander {

// The capability path while this process holds CAP_SYS_TIME in its permitted
// set, systemd-timedated on the system bus otherwise (ClockRouter). Shared by
// the whole process; one setting at a time.
ClockControl& ProcessClockControl();

} // namespace brisvander
