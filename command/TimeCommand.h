#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "ReportText.h"
#include "SampleSeries.h"
#include "SntpClient.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

struct TimeCommandOutcome {
    bool QuerySucceeded = false;
    std::uint32_t Error = 0;     // the last error right after a failed query, else 0
    SntpResult Result;           // the chosen exchange's; valid only when the query succeeded
    bool ClockAttempted = false; // Abgleichen got as far as setting the clock
    bool ClockSet = false;
    std::string Report;          // the whole text of the output area, UTF-8
    std::string QueriedHost;     // the host as queried and to be stored: blanks around it removed
    std::vector<SampleOutcome> Samples; // every exchange made, in order; never empty
    std::optional<std::size_t> Chosen;  // the index in Samples of the exchange reported
};

// Runs on the calling thread and blocks it for the whole exchange. `client`
// makes the query and, for Sync, sets the clock. `host` is as typed: the
// report shows it so, the query goes to it without blanks around it.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client);

// The same over a series of exchanges: the report is that of the exchange
// with the smallest round-trip delay, and Sync steps the clock once, by its
// offset. When every exchange failed, the report is the last failure's.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const SeriesPlan& plan, const SamplePause& pause = SleepFor);

} // namespace brisvander
