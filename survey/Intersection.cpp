#include "Intersection.h"

#include <algorithm>
#include <cmath>

namespace brisvander {

namespace {
struct Edge {
    double At = 0.0;
    int Step = 0; // +1 where an interval begins, -1 where it ends
};

bool IsUsable(const OffsetInterval& interval)
{
    return !std::isnan(interval.Low) && !std::isnan(interval.High) && interval.Low <= interval.High;
}

std::vector<Edge> SortedEdges(std::span<const OffsetInterval> intervals)
{
    std::vector<Edge> edges;
    edges.reserve(intervals.size() * 2);
    for (const OffsetInterval& interval : intervals) {
        if (!IsUsable(interval))
            continue;
        edges.push_back({interval.Low, +1});
        edges.push_back({interval.High, -1});
    }
    // Beginnings before ends at the same point: closed intervals that touch overlap.
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.At != b.At ? a.At < b.At : a.Step > b.Step; });
    return edges;
}
} // namespace

LargestOverlap FindLargestOverlap(std::span<const OffsetInterval> intervals)
{
    LargestOverlap result;
    result.Members.assign(intervals.size(), false);
    const std::vector<Edge> edges = SortedEdges(intervals);

    // Two stretches at the greatest depth have different members (the same
    // members would cover the gap between them too), so the group is unique
    // exactly when the sweep reaches that depth once.
    std::size_t depth = 0;
    std::size_t timesReached = 0;
    double where = 0.0;
    for (const Edge& edge : edges) {
        depth += edge.Step;
        if (edge.Step < 0)
            continue;
        if (depth > result.Size) {
            result.Size = depth;
            timesReached = 1;
            where = edge.At;
        } else if (depth == result.Size) {
            ++timesReached;
        }
    }
    result.Unique = result.Size > 0 && timesReached == 1;
    if (!result.Unique)
        return result;
    for (std::size_t i = 0; i < intervals.size(); ++i)
        result.Members[i] = IsUsable(intervals[i]) && intervals[i].Low <= where && where <= intervals[i].High;
    return result;
}

} // namespace brisvander
