#pragma once
// Many thousands of measurements drawn in a few hundred pixel columns: per
// column the lowest and the highest offset, so that no spike is lost, and
// the outer edges of the delay band. Pure arithmetic, no Qt.
#include "DriftFit.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brisvander {

struct PlotColumn {
    std::int64_t Microseconds = 0; // the column's middle; a point's own time where points are few
    double OffsetLow = 0;          // seconds, server minus local
    double OffsetHigh = 0;
    double BandLow = 0;            // the lowest offset - delay / 2
    double BandHigh = 0;           // the highest offset + delay / 2
};

// Neighbouring columns, drawn as one line.
using PlotRun = std::vector<PlotColumn>;

struct PlotFrame {
    std::int64_t FromMicroseconds = 0; // the plot's left edge
    std::int64_t ToMicroseconds = 0;   // its right edge
    int Columns = 1;                   // pixel columns between them, at least 1
};

// The points (in any order) inside the frame as runs of columns in time
// order. The times of `cuts` (steps of the clock, any order) part the
// points into stretches, each drawn in columns of its own and ending its
// run; a point at a cut's time belongs to the stretch after it. Within a
// stretch, a run also ends where more than `maxGapColumns` columns stay
// empty; a stretch of no more points than columns keeps each point in a
// column of its own and at its own time.
std::vector<PlotRun> PlotRuns(std::span<const DriftPoint> points, const PlotFrame& frame,
                              std::span<const std::int64_t> cuts, int maxGapColumns);

} // namespace brisvander
