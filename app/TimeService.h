#pragma once
// Where the window's commands send their query, how NTS reaches its key
// exchange, and which clock they set. The program uses port 123, the key
// exchange's port 4460 with the system's trust store, and the machine's
// clock; tests point them at loopback servers, a test authority and a
// recording clock.
#include "ClockControl.h"
#include "NtsQuery.h"
#include "ProgramClockControl.h"
#include "SntpClient.h"

namespace brisvander {

struct TimeService {
    int Port = NtpDefaultPort;
    ClockControl* Clock = &ProgramClockControl(); // not owned
    NtsOptions Nts; // its Enabled is ignored: the NTS option of the window decides
};

} // namespace brisvander
