#pragma once
// Where the window's commands send their query, how NTS reaches its key
// exchange and where it keeps sessions, and which clock they set. The
// program uses port 123, the key exchange's port 4460 with the system's trust
// store, the state folder's NTS store, and the machine's clock; tests point
// them at loopback servers, a test authority, a folder of their own (or
// none) and a recording clock.
#include "ClockControl.h"
#include "NtsQuery.h"
#include "NtsSessionStore.h"
#include "ProgramClockControl.h"
#include "SntpClient.h"

namespace brisvander {

// NTS as the program runs it: sessions kept in the state folder's store.
inline NtsOptions ProgramNtsOptions()
{
    NtsOptions nts;
    nts.StoreFolder = DefaultNtsStoreFolder();
    return nts;
}

struct TimeService {
    int Port = NtpDefaultPort;
    ClockControl* Clock = &ProgramClockControl(); // not owned
    // Its Enabled and FallBackToPlain are ignored: the NTS choice of the window decides.
    NtsOptions Nts = ProgramNtsOptions();
};

} // namespace brisvander
