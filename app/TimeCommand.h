#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "ReportText.h"
#include "SntpClient.h"

#include <cstdint>
#include <string>

struct TimeCommandOutcome {
    BOOL QuerySucceeded = FALSE;
    std::uint32_t Error = 0;   // last error right after a failed query, else 0
    SntpResult Result;
    BOOL ClockAttempted = FALSE;
    BOOL ClockSet = FALSE;
    std::string Report;        // the whole text of the output area
};

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client);
