#pragma once
// Where the window's commands send their query and which clock they set.
// The program uses port 123 and the machine's clock; tests point it at a
// loopback server and a recording clock.
#include "ClockControl.h"
#include "ProcessClock.h"
#include "SntpClient.h"

namespace brisvander {

struct TimeService {
    int Port = NtpDefaultPort;
    ClockControl* Clock = &ProcessClockControl(); // not owned
};

} // namespace brisvander
