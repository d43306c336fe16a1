#include "PlotColumns.h"

#include <algorithm>
#include <optional>

namespace brisvander {

namespace {
struct Placed {
    int Column = 0;
    PlotColumn Values;
};

int ColumnOf(std::int64_t time, const PlotFrame& frame)
{
    const std::int64_t width = std::max<std::int64_t>(1, frame.ToMicroseconds - frame.FromMicroseconds);
    const auto column = static_cast<int>(static_cast<double>(time - frame.FromMicroseconds) / static_cast<double>(width) *
                                         frame.Columns);
    return std::clamp(column, 0, frame.Columns - 1);
}

PlotColumn ColumnOfPoint(const DriftPoint& point, std::int64_t time)
{
    const double halfDelay = std::max(0.0, point.DelaySeconds) / 2;
    return {time, point.OffsetSeconds, point.OffsetSeconds, point.OffsetSeconds - halfDelay,
            point.OffsetSeconds + halfDelay};
}

void Widen(PlotColumn& column, const PlotColumn& more)
{
    column.OffsetLow = std::min(column.OffsetLow, more.OffsetLow);
    column.OffsetHigh = std::max(column.OffsetHigh, more.OffsetHigh);
    column.BandLow = std::min(column.BandLow, more.BandLow);
    column.BandHigh = std::max(column.BandHigh, more.BandHigh);
}

bool InFrame(const DriftPoint& point, const PlotFrame& frame)
{
    return point.UnixMicroseconds >= frame.FromMicroseconds && point.UnixMicroseconds <= frame.ToMicroseconds;
}

// Each point in a column of its own, in time order.
std::vector<Placed> PlacePointsAlone(std::span<const DriftPoint> points, const PlotFrame& frame)
{
    std::vector<Placed> placed;
    for (const DriftPoint& point : points)
        if (InFrame(point, frame))
            placed.push_back({ColumnOf(point.UnixMicroseconds, frame), ColumnOfPoint(point, point.UnixMicroseconds)});
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.Values.Microseconds < b.Values.Microseconds;
    });
    return placed;
}

// The points gathered into their columns.
std::vector<Placed> PlacePointsInColumns(std::span<const DriftPoint> points, const PlotFrame& frame)
{
    std::vector<std::optional<PlotColumn>> columns(static_cast<std::size_t>(frame.Columns));
    const double width = static_cast<double>(frame.ToMicroseconds - frame.FromMicroseconds) / frame.Columns;
    for (const DriftPoint& point : points) {
        if (!InFrame(point, frame))
            continue;
        const int column = ColumnOf(point.UnixMicroseconds, frame);
        const auto middle = frame.FromMicroseconds + static_cast<std::int64_t>((column + 0.5) * width);
        std::optional<PlotColumn>& slot = columns[static_cast<std::size_t>(column)];
        if (slot)
            Widen(*slot, ColumnOfPoint(point, middle));
        else
            slot = ColumnOfPoint(point, middle);
    }
    std::vector<Placed> placed;
    for (std::size_t column = 0; column < columns.size(); ++column)
        if (columns[column])
            placed.push_back({static_cast<int>(column), *columns[column]});
    return placed;
}

// The runs of one stretch between steps of the clock.
void AppendRuns(std::span<const DriftPoint> points, const PlotFrame& frame, int maxGapColumns,
                std::vector<PlotRun>& runs)
{
    const std::vector<Placed> placed = points.size() <= static_cast<std::size_t>(frame.Columns)
                                           ? PlacePointsAlone(points, frame)
                                           : PlacePointsInColumns(points, frame);
    const Placed* previous = nullptr;
    for (const Placed& column : placed) {
        if (previous == nullptr || column.Column - previous->Column > maxGapColumns + 1)
            runs.emplace_back();
        runs.back().push_back(column.Values);
        previous = &column;
    }
}
} // namespace


std::vector<PlotRun> PlotRuns(std::span<const DriftPoint> points, const PlotFrame& given,
                              std::span<const std::int64_t> cuts, int maxGapColumns)
{
    PlotFrame frame = given;
    frame.Columns = std::max(1, frame.Columns);
    std::vector<PlotRun> runs;
    if (cuts.empty()) {
        AppendRuns(points, frame, maxGapColumns, runs);
        return runs;
    }
    // Each stretch between steps in columns of its own, so that no column
    // mixes offsets from before and after a step.
    std::vector<std::int64_t> sortedCuts(cuts.begin(), cuts.end());
    std::sort(sortedCuts.begin(), sortedCuts.end());
    std::vector<std::vector<DriftPoint>> stretches(sortedCuts.size() + 1);
    for (const DriftPoint& point : points) {
        const auto stretch = std::upper_bound(sortedCuts.begin(), sortedCuts.end(), point.UnixMicroseconds) - sortedCuts.begin();
        stretches[static_cast<std::size_t>(stretch)].push_back(point);
    }
    for (const std::vector<DriftPoint>& stretch : stretches)
        AppendRuns(stretch, frame, maxGapColumns, runs);
    return runs;
}

} // namespace brisvander
