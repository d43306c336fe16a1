#pragma once
// The local clock's frequency error from its offsets against a server: a
// straight line through offset over time, weighted by delay and robust to
// outliers, in time linear in the points. Pure arithmetic, no Qt.
#include <cstdint>
#include <optional>
#include <span>

namespace brisvander {

// One successful measurement.
struct DriftPoint {
    std::int64_t UnixMicroseconds = 0; // local clock, UTC
    double OffsetSeconds = 0;          // server minus local
    double DelaySeconds = 0;           // round-trip delay; smaller counts more
};

// The offset's slope over one stretch of time, or several combined.
struct SlopeFit {
    double Slope = 0;      // seconds of offset per second of time; negative: the local clock gains
    double SlopeError = 0; // standard error of Slope, same unit, >= 0
    std::int64_t Points = 0;
    std::int64_t FirstMicroseconds = 0; // the earliest and latest point's time
    std::int64_t LastMicroseconds = 0;
};

// Fewer points, or a shorter stretch, give no slope.
inline constexpr std::int64_t kDriftMinimumPoints = 5;
inline constexpr std::int64_t kDriftMinimumSpanMicroseconds = 60'000'000;

// The slope of offset over time for the points of one stretch without a
// step of the clock, in time order. Each point counts as 1 / delay^2 (the
// offset is uncertain by up to half the delay; delays below 10 us count as
// 10 us); the start is Tukey's resistant line (medians of the outer thirds),
// then rounds of reweighting with Tukey's biweight on the residuals over
// their median absolute deviation, so outliers get no weight. None with
// fewer than kDriftMinimumPoints points or a span below a minute.
std::optional<SlopeFit> FitOffsetSlope(std::span<const DriftPoint> points);

// Several slopes as one, each weighted by 1 / SlopeError^2; Points summed,
// the span from the earliest to the latest point. None for no fits.
std::optional<SlopeFit> CombineSlopes(std::span<const SlopeFit> fits);

} // namespace brisvander
