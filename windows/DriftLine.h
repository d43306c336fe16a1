#pragma once
// The drift drawn and written on the plot: its line through a server's
// latest measurements, and its figure in words. Pure, no Qt.
#include "DriftEstimator.h"
#include "DriftFit.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace brisvander {

struct DriftLineEnds {
    std::int64_t FromMicroseconds = 0;
    double FromOffsetSeconds = 0;
    std::int64_t ToMicroseconds = 0;
    double ToOffsetSeconds = 0;
};

// The line whose slope a drift of `driftPpm` stands for (offsets fall by
// driftPpm microseconds a second), placed at the median of the points'
// offsets less the slope's share, so outliers do not pull it; from the
// earliest to the latest point. None for fewer than two points.
std::optional<DriftLineEnds> DriftLineThrough(std::span<const DriftPoint> points, double driftPpm);

// "+50.00 ppm ± 0.05 ppm, +4.320 s pro Tag (die Uhr geht vor)", a decimal
// point as in every report of the program.
std::string DriftFigureText(const DriftEstimate& estimate);

// One line per server with an estimate ("host: figure") and one for all
// together where there are several; hosts escaped. Without any estimate one
// line that says what it takes.
std::string DriftReportLines(const DriftReport& report);

} // namespace brisvander
