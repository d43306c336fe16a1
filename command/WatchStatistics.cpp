#include "WatchStatistics.h"

#include <algorithm>
#include <cmath>

namespace brisvander {

void WatchStatistics::Add(const SampleOutcome& sample, std::int64_t unixMicroseconds)
{
    ++m_exchanges;
    if (!sample.Succeeded)
        return;
    const double offset = sample.Result.ClockOffset;
    if (!m_points.empty()) {
        const double step = offset - m_points.back().OffsetSeconds;
        m_squaredSteps += step * step;
    }
    m_points.push_back(DriftPoint{unixMicroseconds, offset, sample.Result.RoundtripDelay});
    m_largest = std::max(m_largest, std::fabs(offset));
}

namespace {
double Median(std::vector<double> values)
{
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}
} // namespace

WatchSummary WatchStatistics::Summary() const
{
    WatchSummary summary;
    summary.Exchanges = m_exchanges;
    summary.Answered = static_cast<int>(m_points.size());
    if (m_points.empty())
        return summary;
    std::vector<double> offsets;
    offsets.reserve(m_points.size());
    for (const DriftPoint& point : m_points)
        offsets.push_back(point.OffsetSeconds);
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    summary.OffsetMin = *low;
    summary.OffsetMax = *high;
    summary.OffsetMedian = Median(std::move(offsets));
    if (m_points.size() >= 2)
        summary.Jitter = std::sqrt(m_squaredSteps / static_cast<double>(m_points.size() - 1));
    if (const std::optional<SlopeFit> fit = FitOffsetSlope(m_points))
        summary.Drift = DriftEstimateFromSlope(*fit);
    return summary;
}

} // namespace brisvander
