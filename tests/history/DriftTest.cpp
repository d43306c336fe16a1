#include "DriftEstimator.h"

#include <gtest/gtest.h>

#include <random>

namespace brisvander {
namespace {

constexpr std::int64_t kStart = 1'790'000'000'000'000; // 2026, UTC Unix microseconds

// Offsets (server minus local) of a local clock that gains `driftPpm`, one
// measurement every `intervalSeconds`, noise in proportion to the delay.
std::vector<DriftPoint> Measurements(double driftPpm, int count, double intervalSeconds, unsigned seed,
                                     std::int64_t start = kStart, double level = 0.01, double noise = 0.05)
{
    std::mt19937 random(seed);
    std::exponential_distribution<double> queueing(1 / 0.01);
    std::normal_distribution<double> unit;
    std::vector<DriftPoint> points;
    for (int i = 0; i < count; ++i) {
        const double t = i * intervalSeconds;
        const double delay = 0.02 + queueing(random);
        points.push_back({start + static_cast<std::int64_t>(t * 1e6), level - driftPpm * 1e-6 * t + unit(random) * delay * noise,
                          delay});
    }
    return points;
}

DriftReport Estimate(const std::vector<DriftPoint>& points, std::vector<std::int64_t> steps = {})
{
    DriftEstimator estimator(std::move(steps));
    for (std::size_t i = 0; i < points.size(); ++i)
        estimator.Add("ntp.example", static_cast<std::int64_t>(i) + 1, points[i]);
    return estimator.Finish();
}

TEST(HistoryDrift, KnownDriftWithinItsUncertaintyAndSignedLocalFast)
{
    const DriftReport report = Estimate(Measurements(50, 600, 1, 1));
    ASSERT_EQ(report.Servers.size(), 1u);
    const DriftEstimate& e = report.Servers[0].Estimate;
    EXPECT_GT(e.DriftPpmUncertainty, 0);
    EXPECT_LT(e.DriftPpmUncertainty, 1);
    EXPECT_NEAR(e.DriftPpm, 50, 4 * e.DriftPpmUncertainty);
    EXPECT_DOUBLE_EQ(e.SecondsPerDay, e.DriftPpm * 86400e-6);
    EXPECT_EQ(e.Measurements, 600);
    EXPECT_DOUBLE_EQ(e.SpanSeconds, 599);

    const DriftReport slow = Estimate(Measurements(-20, 600, 1, 2));
    EXPECT_NEAR(slow.Servers[0].Estimate.DriftPpm, -20, 4 * slow.Servers[0].Estimate.DriftPpmUncertainty);
}

TEST(HistoryDrift, OutliersDoNotPullTheLine)
{
    std::vector<DriftPoint> points = Measurements(50, 600, 1, 3);
    // A burst of answers 50 ms off near the end, with ordinary delays, and a few wild ones.
    for (int i = 480; i < 560; ++i)
        points[i].OffsetSeconds += 0.05;
    points[10].OffsetSeconds -= 3;
    points[300].OffsetSeconds += 7;
    const DriftEstimate e = Estimate(points).Servers.at(0).Estimate;
    EXPECT_NEAR(e.DriftPpm, 50, 1);
    EXPECT_LT(e.DriftPpmUncertainty, 1);
}

TEST(HistoryDrift, AStepStartsANewSegmentAndShortSegmentsGiveNothing)
{
    std::vector<DriftPoint> points = Measurements(50, 300, 1, 4);
    // The clock was set back 200 s: local times repeat, the offset starts again near 0.
    const std::int64_t afterStep = kStart + 100'000'000;
    for (const DriftPoint& p : Measurements(50, 300, 1, 5, afterStep, 0.0))
        points.push_back(p);
    for (const DriftPoint& p : Measurements(50, 4, 30, 6, afterStep + 400'000'000, 0.3))
        points.push_back(p); // a third segment of 4 points: too few
    const DriftReport report = Estimate(points, {600, 300}); // after the 300th and the 600th
    const DriftEstimate& e = report.Servers.at(0).Estimate;
    EXPECT_NEAR(e.DriftPpm, 50, 4 * e.DriftPpmUncertainty);
    EXPECT_EQ(e.Measurements, 600);
    EXPECT_DOUBLE_EQ(e.SpanSeconds, 399);
}

TEST(HistoryDrift, NoneWithFewerThanFivePointsOrUnderAMinute)
{
    EXPECT_FALSE(FitOffsetSlope(Measurements(50, 4, 60, 7)));
    EXPECT_FALSE(FitOffsetSlope(Measurements(50, 60, 59.9 / 59, 8)));
    EXPECT_TRUE(FitOffsetSlope(Measurements(50, 5, 15, 9)));
    const DriftReport none = Estimate(Measurements(50, 4, 60, 7));
    EXPECT_TRUE(none.Servers.empty());
    EXPECT_FALSE(none.Combined);
}

TEST(HistoryDrift, ServersCombineByTheirUncertainty)
{
    DriftEstimator estimator({});
    const std::vector<DriftPoint> precise = Measurements(50, 600, 1, 10);
    const std::vector<DriftPoint> noisy = Measurements(40, 600, 1, 11, kStart, 0.01, 1.0);
    for (std::size_t i = 0; i < precise.size(); ++i) {
        estimator.Add("b.example", 2 * static_cast<std::int64_t>(i), precise[i]);
        estimator.Add("a.example", 2 * static_cast<std::int64_t>(i) + 1, noisy[i]);
    }
    const DriftReport report = estimator.Finish();
    ASSERT_EQ(report.Servers.size(), 2u);
    EXPECT_EQ(report.Servers[0].Host, "a.example");
    const DriftEstimate& a = report.Servers[0].Estimate;
    const DriftEstimate& b = report.Servers[1].Estimate;
    ASSERT_TRUE(report.Combined);
    const double wa = 1 / (a.DriftPpmUncertainty * a.DriftPpmUncertainty);
    const double wb = 1 / (b.DriftPpmUncertainty * b.DriftPpmUncertainty);
    EXPECT_NEAR(report.Combined->DriftPpm, (wa * a.DriftPpm + wb * b.DriftPpm) / (wa + wb), 1e-9);
    EXPECT_LT(report.Combined->DriftPpmUncertainty, b.DriftPpmUncertainty);
    EXPECT_EQ(report.Combined->Measurements, 1200);
}

} // namespace
} // namespace brisvander
