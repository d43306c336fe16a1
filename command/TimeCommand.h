#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "ReportText.h"
#include "SntpClient.h"

#include <cstdint>
#include <functional>
#include <string>

namespace brisvander {

struct TimeCommandOutcome {
    bool QuerySucceeded = false;
    std::uint32_t Error = 0;     // the last error right after a failed query, else 0
    SntpResult Result;           // valid only when the query succeeded
    bool ClockAttempted = false; // Abgleichen got as far as setting the clock
    bool ClockSet = false;
    std::string Report;          // the whole text of the output area, UTF-8
};

// Asked right before a Sync sets the clock; false leaves the clock alone
// (ClockAttempted stays false and the report has no outcome line). A run
// whose window has gone away must not set the clock after the fact.
using ClockGate = std::function<bool()>;

// Runs on the calling thread and blocks it for the whole exchange. `client`
// makes the query and, for Sync, sets the clock unless `mayTouchClock` says no.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const ClockGate& mayTouchClock = {});

} // namespace brisvander
