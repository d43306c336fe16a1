#pragma once
// The clock both programs set the clock through.
#include "ClockControl.h"

namespace brisvander {

// The capability path (CapabilityClockControl()) while a clock helper holds
// CAP_SYS_TIME for this process, systemd-timedated on the system bus
// otherwise (ClockRouter). Shared by the whole process; one setting at a time.
ClockControl& ProgramClockControl();

} // namespace brisvander
