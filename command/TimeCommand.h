#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "ReportText.h"
#include "SntpClient.h"

#include <cstdint>
#include <string>

namespace brisvander {

struct TimeCommandOutcome {
    bool QuerySucceeded = false;
    std::uint32_t Error = 0;     // the last error right after a failed query, else 0
    SntpResult Result;           // valid only when the query succeeded
    bool ClockAttempted = false; // Abgleichen got as far as setting the clock
    bool ClockSet = false;
    ClockSetting Clock = ClockSetting::Failed; // what became of the setting, when attempted
    std::string Report;          // the whole text of the output area, UTF-8
};

// Runs on the calling thread and blocks it for the whole exchange. `client`
// makes the query and, for Sync, sets the clock.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client);

} // namespace brisvander
