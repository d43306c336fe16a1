#include "DriftFit.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace brisvander {

namespace {
constexpr double kSmallestDelay = 1e-5;       // s: below this a delay says nothing more
constexpr double kTukeyTuning = 4.685;        // 95 % efficiency for normal residuals
constexpr double kMadToSigma = 1.4826;        // the MAD of normal residuals is 0.6745 sigma
constexpr double kSmallestScale = 1e-12;      // residuals this close to the line count as exact
constexpr double kSmallestSlopeError = 1e-15; // so that an exact fit still has a finite weight
constexpr int kReweightingRounds = 8;
constexpr double kSettledSlope = 1e-12; // s/s (1e-6 ppm): a round that moves the slope less ends the fit

struct Line {
    double Intercept = 0;
    double Slope = 0;
    double At(double t) const { return Intercept + Slope * t; }
};

// Times in seconds from the first point; each point's weight from its delay.
struct Segment {
    std::vector<double> Time;
    std::vector<double> Offset;
    std::vector<double> DelayWeight; // 1 / delay^2
};

// The median; reorders `values`, which must not be empty.
double MedianOf(std::vector<double>& values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1)
        return *middle;
    return (*std::max_element(values.begin(), middle) + *middle) / 2;
}

double MedianOfRange(const std::vector<double>& values, std::size_t begin, std::size_t end)
{
    std::vector<double> part(values.begin() + static_cast<std::ptrdiff_t>(begin),
                             values.begin() + static_cast<std::ptrdiff_t>(end));
    return MedianOf(part);
}

// Tukey's resistant line: through the medians of the first and last third,
// shifted to the median residual. Outliers cannot pull it.
Line ResistantLine(const Segment& segment)
{
    const std::size_t n = segment.Time.size();
    const std::size_t third = n / 3;
    const double leftTime = MedianOfRange(segment.Time, 0, third);
    const double rightTime = MedianOfRange(segment.Time, n - third, n);
    Line line;
    if (rightTime > leftTime)
        line.Slope = (MedianOfRange(segment.Offset, n - third, n) - MedianOfRange(segment.Offset, 0, third)) /
                     (rightTime - leftTime);
    std::vector<double> shifted(n);
    for (std::size_t i = 0; i < n; ++i)
        shifted[i] = segment.Offset[i] - line.Slope * segment.Time[i];
    line.Intercept = MedianOf(shifted);
    return line;
}

struct WeightedFit {
    Line Fitted;
    double MeanTime = 0;
    double Sxx = 0; // sum of weight * (t - mean)^2
};

std::optional<WeightedFit> FitWeighted(const Segment& segment, const std::vector<double>& weight)
{
    double sw = 0, st = 0, sy = 0;
    for (std::size_t i = 0; i < weight.size(); ++i) {
        sw += weight[i];
        st += weight[i] * segment.Time[i];
        sy += weight[i] * segment.Offset[i];
    }
    if (!(sw > 0))
        return std::nullopt;
    WeightedFit fit;
    fit.MeanTime = st / sw;
    const double meanOffset = sy / sw;
    double sxy = 0;
    for (std::size_t i = 0; i < weight.size(); ++i) {
        const double dt = segment.Time[i] - fit.MeanTime;
        fit.Sxx += weight[i] * dt * dt;
        sxy += weight[i] * dt * (segment.Offset[i] - meanOffset);
    }
    if (!(fit.Sxx > 0))
        return std::nullopt;
    fit.Fitted.Slope = sxy / fit.Sxx;
    fit.Fitted.Intercept = meanOffset - fit.Fitted.Slope * fit.MeanTime;
    return fit;
}

// Residuals in units of the point's own uncertainty (residual / delay).
std::vector<double> StandardResiduals(const Segment& segment, const Line& line)
{
    std::vector<double> z(segment.Time.size());
    for (std::size_t i = 0; i < z.size(); ++i)
        z[i] = (segment.Offset[i] - line.At(segment.Time[i])) * std::sqrt(segment.DelayWeight[i]);
    return z;
}

// Tukey's biweight of each residual, scaled by the residuals' MAD.
std::vector<double> RobustWeights(const std::vector<double>& z)
{
    std::vector<double> magnitude(z.size());
    std::transform(z.begin(), z.end(), magnitude.begin(), [](double v) { return std::fabs(v); });
    const double scale = std::max(kMadToSigma * MedianOf(magnitude), kSmallestScale);
    std::vector<double> robust(z.size());
    for (std::size_t i = 0; i < z.size(); ++i) {
        const double u = z[i] / (kTukeyTuning * scale);
        robust[i] = std::fabs(u) < 1 ? (1 - u * u) * (1 - u * u) : 0.0;
    }
    return robust;
}

// The slope's standard error with the robust weights held fixed: residual
// variance from the weighted standard residuals, the sandwich form for the
// weights' departure from 1 / variance.
std::optional<double> SlopeError(const Segment& segment, const WeightedFit& fit, const std::vector<double>& robust)
{
    const std::vector<double> z = StandardResiduals(segment, fit.Fitted);
    double robustSum = 0, weightedSquares = 0, spread = 0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        robustSum += robust[i];
        weightedSquares += robust[i] * z[i] * z[i];
        const double dt = segment.Time[i] - fit.MeanTime;
        spread += robust[i] * robust[i] * segment.DelayWeight[i] * dt * dt;
    }
    if (!(robustSum > 2))
        return std::nullopt;
    const double variance = weightedSquares / (robustSum - 2);
    return std::sqrt(variance * spread) / fit.Sxx;
}

Segment SegmentOf(std::span<const DriftPoint> points)
{
    Segment segment;
    segment.Time.reserve(points.size());
    segment.Offset.reserve(points.size());
    segment.DelayWeight.reserve(points.size());
    for (const DriftPoint& point : points) {
        segment.Time.push_back(static_cast<double>(point.UnixMicroseconds - points.front().UnixMicroseconds) * 1e-6);
        segment.Offset.push_back(point.OffsetSeconds);
        const double delay = std::max(point.DelaySeconds, kSmallestDelay);
        segment.DelayWeight.push_back(1 / (delay * delay));
    }
    return segment;
}
} // namespace

std::optional<SlopeFit> FitOffsetSlope(std::span<const DriftPoint> points)
{
    if (static_cast<std::int64_t>(points.size()) < kDriftMinimumPoints)
        return std::nullopt;
    const auto [earliest, latest] = std::minmax_element(
        points.begin(), points.end(),
        [](const DriftPoint& a, const DriftPoint& b) { return a.UnixMicroseconds < b.UnixMicroseconds; });
    if (latest->UnixMicroseconds - earliest->UnixMicroseconds < kDriftMinimumSpanMicroseconds)
        return std::nullopt;

    const Segment segment = SegmentOf(points);
    Line line = ResistantLine(segment);
    std::optional<WeightedFit> fit;
    std::vector<double> weight(points.size()), robust;
    for (int round = 0; round < kReweightingRounds; ++round) {
        robust = RobustWeights(StandardResiduals(segment, line));
        for (std::size_t i = 0; i < weight.size(); ++i)
            weight[i] = segment.DelayWeight[i] * robust[i];
        fit = FitWeighted(segment, weight);
        if (!fit)
            return std::nullopt;
        const bool settled = std::fabs(fit->Fitted.Slope - line.Slope) <= kSettledSlope + 1e-6 * std::fabs(line.Slope);
        line = fit->Fitted;
        if (settled)
            break;
    }
    const std::optional<double> error = SlopeError(segment, *fit, robust);
    if (!error)
        return std::nullopt;
    return SlopeFit{line.Slope, *error, static_cast<std::int64_t>(points.size()), earliest->UnixMicroseconds,
                    latest->UnixMicroseconds};
}

std::optional<SlopeFit> CombineSlopes(std::span<const SlopeFit> fits)
{
    if (fits.empty())
        return std::nullopt;
    SlopeFit combined{0, 0, 0, fits.front().FirstMicroseconds, fits.front().LastMicroseconds};
    double weightSum = 0, weightedSlopes = 0;
    for (const SlopeFit& fit : fits) {
        const double error = std::max(fit.SlopeError, kSmallestSlopeError);
        const double weight = 1 / (error * error);
        weightSum += weight;
        weightedSlopes += weight * fit.Slope;
        combined.Points += fit.Points;
        combined.FirstMicroseconds = std::min(combined.FirstMicroseconds, fit.FirstMicroseconds);
        combined.LastMicroseconds = std::max(combined.LastMicroseconds, fit.LastMicroseconds);
    }
    combined.Slope = weightedSlopes / weightSum;
    combined.SlopeError = std::sqrt(1 / weightSum);
    return combined;
}

} // namespace brisvander
