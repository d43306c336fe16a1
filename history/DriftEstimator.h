#pragma once
// The drift per server and for all servers together, from measurements fed
// in the order they were made: a step of the clock ends every server's
// segment, and each segment gets its own line (DriftFit.h). The order is a
// sequence number (the history's row id), not the local time, which a step
// back would make repeat. No Qt.
#include "DriftFit.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvander {

struct DriftEstimate {
    double DriftPpm = 0;            // positive: the local clock runs fast (gains on the servers)
    double DriftPpmUncertainty = 0; // standard error of DriftPpm, ppm, >= 0
    double SecondsPerDay = 0;       // seconds the local clock gains a day: DriftPpm * 86400e-6
    std::int64_t Measurements = 0;  // measurements in the segments that gave a line
    double SpanSeconds = 0;         // from the first to the last of those
};

// The estimate a slope of offset over time stands for: its sign turned
// (offsets are server minus local), in parts per million.
DriftEstimate DriftEstimateFromSlope(const SlopeFit& fit);

struct ServerDrift {
    std::string Host;
    DriftEstimate Estimate;
};

// Servers by host name, only those with an estimate; Combined weighs them
// by their uncertainty (servers asked at the same time share the local
// clock's noise, so it is somewhat optimistic). None when no server has one.
struct DriftReport {
    std::vector<ServerDrift> Servers;
    std::optional<DriftEstimate> Combined;
};

class DriftEstimator {
public:
    // Where the clock's steps fall, in any order: each the sequence number
    // of the last measurement made before it.
    explicit DriftEstimator(std::vector<std::int64_t> stepPositions);

    // One successful measurement of `host`, with its sequence number.
    // Calls come in increasing sequence.
    void Add(std::string_view host, std::int64_t sequence, const DriftPoint& point);

    // The estimates from everything added. Call once.
    DriftReport Finish();

private:
    struct ServerState {
        std::size_t Segment = 0; // steps before the points being gathered
        std::vector<DriftPoint> Points;
        std::vector<SlopeFit> Fits;
    };
    // Fits the points gathered (a line when there are enough) and drops them.
    static void CloseSegment(ServerState& server);

    std::vector<std::int64_t> m_steps;
    std::size_t m_stepsPassed = 0;
    std::map<std::string, ServerState, std::less<>> m_servers;
    std::string_view m_lastHost;
    ServerState* m_lastServer = nullptr;
};

} // namespace brisvander
