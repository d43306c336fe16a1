#pragma once
// Where the commands send their query and which clock they set. The program
// uses port 123 and the real clock; tests point it at a loopback server and
// a recording clock.
#include "SntpClient.h"
#include "SystemClockApi.h"

struct TimeService {
    int Port = NtpDefaultPort;
    SystemClockApi* Clock = &LinuxSystemClock();
};
