#pragma once
// One Info or Abgleichen run without any window: query, report and, for
// Abgleichen, setting the clock. The desktop view and the command-line
// program both go through here so that their texts cannot drift apart.
#include "BackgroundHistoryRecorder.h"
#include "Failure.h"
#include "NtsQuery.h"
#include "ReportText.h"
#include "SampleSeries.h"
#include "SntpClient.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

struct TimeCommandOutcome {
    bool QuerySucceeded = false;
    std::optional<Failure> QueryFailure; // why the query failed: the last exchange's failure, with the
                                         // key exchange's or the sealing's facts under 20004
    std::uint32_t Error = 0;     // QueryFailure's number, else 0
    SntpResult Result;           // the chosen exchange's; valid only when the query succeeded
    bool ClockAttempted = false; // Abgleichen got as far as setting the clock
    bool ClockSet = false;
    std::optional<Failure> ClockFailure; // why the clock was not set, when attempted
    std::string Report;          // the whole text of the output area, UTF-8
    std::string QueriedHost;     // the host as queried and to be stored: blanks around it removed
    int QueriedPort = 0;         // the NTP port asked: the given one, or the one the NTS key exchange named
    std::vector<SampleOutcome> Samples; // every exchange made, in order; never empty
    std::optional<std::size_t> Chosen;  // the index in Samples of the exchange reported
    bool Authenticated = false;  // the reported exchange was proven by NTS
    std::string NtsServer;       // the NTS key exchange server asked, when NTS was on
    std::string NtsFailure;      // QueryFailure's words where it has more than its number (FailureText):
                                 // a key exchange (20004), a refused session (20003)
    bool NtsMayBeMissing = false; // the key exchange failed as it does against a server without NTS
    std::string NamedNtpServer;  // the NTP server the key exchange named, when it named one other than the host
    bool CookiesRanOut = false;  // an NTS series ended early: no cookie left, and its one renewal spent
    NtsSessionSource NtsSession = NtsSessionSource::None; // KeyExchange when this run made one, else Stored
                                                          // when a kept session served it
    std::optional<std::size_t> NtsCookiesLeft; // cookies kept for the next run, when NTS had a session
    bool NtsCertificatePeriodUnchecked = false; // the session's certificate was not held against its period
    std::string NtsNotUsed;      // "when offered", the server offered none: why (FailureText), and the
                                 // exchanges went without NTS
    std::vector<std::string> Warnings; // for standard error, German: why the NTS store was not used or written
};

// Asked right before a Sync sets the clock; false leaves the clock alone
// (ClockAttempted stays false and the report has no outcome line). A run
// whose window has gone away must not set the clock after the fact.
using ClockGate = std::function<bool()>;

// How a run goes beyond the one plain exchange of the desktop program.
struct TimeCommandOptions {
    SeriesPlan Series;           // one exchange unless told otherwise
    NtsOptions Nts;              // plain SNTP unless enabled: then every exchange is authenticated
                                 // (unless falling back is allowed and the server offers no NTS)
    SamplePause Pause = SleepFor;
    ClockGate MayTouchClock;     // empty: always
    BackgroundHistoryRecorder* History = nullptr; // not owned; null: nothing recorded
};

// A series of at least this many exchanges asks for interleaved answers.
inline constexpr int InterleavedSeriesMinimum = 3;

// Runs on the calling thread and blocks it for the whole run. `client` makes
// the queries and, for Sync, sets the clock. `host` is as typed: the report
// shows it so, the query goes to it without blanks around it. Over a series,
// the report is that of the exchange with the smallest round-trip delay, and
// Sync steps the clock once, by its offset; when every exchange failed, the
// report is the last failure's. With NTS, a session kept from an earlier
// run, or else the key exchange, comes first, the report names its server,
// and what the run did not use is kept; the session is renewed once at most
// (its cookies refused, or none left), and a series that runs out of
// cookies after that ends there. A series of InterleavedSeriesMinimum or
// more exchanges runs in interleaved mode. With a History, every exchange
// and the step are recorded.
TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const TimeCommandOptions& options = {});

} // namespace brisvander
