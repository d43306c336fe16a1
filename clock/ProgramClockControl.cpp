#include "ProgramClockControl.h"

#include "CapabilityClockControl.h"
#include "ClockRouter.h"
#include "TimedatedClockControl.h"

namespace brisvander {

ClockControl& ProgramClockControl()
{
    // Never destroyed: a request the service has not answered may still be
    // pending at exit, and Qt's D-Bus is gone by the time statics are.
    static auto* service = new TimedatedClockControl();
    static ClockRouter router(CapabilityClockControl(), *service);
    return router;
}

} // namespace brisvander
