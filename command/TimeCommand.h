#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "NtsQuery.h"
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
    std::string Report;          // the whole text of the output area, UTF-8
    bool Authenticated = false;  // the reply was proven by NTS
    std::string NtsServer;       // the NTS key exchange server asked, when NTS was on
    std::string NtsFailure;      // German reason of a failed key exchange (Error is 20004)
};

// Runs on the calling thread and blocks it for the whole exchange. `client`
// makes the query and, for Sync, sets the clock. With `nts` enabled, the
// query is authenticated (key exchange first) and the report says so.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const NtsOptions& nts = {});

} // namespace brisvander
