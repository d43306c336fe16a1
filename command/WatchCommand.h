#pragma once
// Watching one server: an exchange every interval, in interleaved mode, each
// measurement handed to the caller as it comes and recorded, until a count
// is reached or a stop is requested. Both programs can run it: the
// command-line program prints a line per measurement, a window can plot
// them. On the calling thread.
#include "BackgroundHistoryRecorder.h"
#include "Failure.h"
#include "NtsQuery.h"
#include "SntpClient.h"
#include "WatchStatistics.h"
#include "WatchStop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brisvander {

// Public servers want 16 s or more between requests.
inline constexpr std::chrono::milliseconds DefaultWatchInterval{16000};

struct WatchPlan {
    std::chrono::milliseconds Interval = DefaultWatchInterval; // from the start of one exchange to the next's
    std::optional<int> Count;                                  // exchanges, then the end; empty: until stopped
    NtsOptions Nts;                                            // every exchange authenticated when enabled
};

// One exchange of a watch.
struct WatchMeasurement {
    int Number = 0;                  // 1 for the first exchange
    SampleOutcome Sample;            // answered or failed; Result.Interleaved marks an interleaved answer
    std::int64_t UnixMicroseconds = 0; // its time, UTC, as the history records it
    double ScaleSeconds = 0;         // the largest |offset| answered so far, this one included; 0: none yet
    std::optional<Failure> NtsProblem; // with NTS, why no session could serve it (error 20004); else empty
};

// The watch of one server, a step at a time: the window drives it from its
// worker thread, RunWatch in a loop. One thread.
class WatchSession {
public:
    // `host` as typed (blanks around it are removed). `client` and `history`
    // (null: nothing recorded) are not owned and must outlive the session.
    WatchSession(const std::string& host, int port, SntpClient& client, const NtsOptions& nts,
                 BackgroundHistoryRecorder* history);

    // One exchange, in interleaved mode; with NTS, a key exchange first
    // when there is no session or no cookie left (its failure is the
    // exchange's, error 20004). Blocks for at most the exchange's time-out
    // (and the key exchange's).
    SampleOutcome Exchange();
    // Counts and records an exchange as made and returns its measurement.
    WatchMeasurement Keep(const SampleOutcome& sample);

    WatchSummary Summary() const { return m_statistics.Summary(); }
    const std::string& QueriedHost() const { return m_host; }
    int QueriedPort() const { return m_port; } // with NTS: the one the key exchange named
    const std::string& NtsServer() const { return m_ntsServer; } // empty without NTS

private:
    SampleOutcome AuthenticatedExchange();

    std::string m_host;
    int m_givenPort;
    int m_port;
    SntpClient& m_client;
    NtsOptions m_nts;
    std::optional<NtsAssociation> m_association;
    std::optional<Failure> m_problem; // of the last exchange, when the session failed it
    std::string m_ntsServer;
    BackgroundHistoryRecorder* m_history;
    WatchStatistics m_statistics;
    int m_made = 0; // exchanges kept
};

using WatchMeasured = std::function<void(const WatchMeasurement& measurement)>;

// Runs `session` until plan.Count exchanges are made or `stop` is
// requested; `measured` gets each measurement as it is made. An exchange
// that failed because the stop came during it is left out. Blocks the
// calling thread.
WatchSummary RunWatch(WatchSession& session, const WatchPlan& plan, WatchStop& stop, const WatchMeasured& measured);

} // namespace brisvander
