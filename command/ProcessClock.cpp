#include "ProcessClock.h"

#include "ClockRouter.h"
#include "TimedatedClockControl.h"

namespace brisvander {

ClockControl& ProcessClockControl()
{
    // Never destroyed: a request the service has not answered may still be
    // pending at exit, and Qt's D-Bus is gone by the time statics are.
    static auto* service = new TimedatedClockControl();
    static ClockRouter router(SystemClockControl(), *service);
    return router;
}

} // namespace brisvander
