// Drawing many measurements in few pixel columns: what a column keeps, and
// where a line must break.
#include "PlotColumns.h"

#include <gtest/gtest.h>

using namespace brisvander;

namespace {
constexpr std::int64_t Second = 1'000'000;

DriftPoint At(std::int64_t second, double offset, double delay = 0.002)
{
    return {second * Second, offset, delay};
}
} // namespace

TEST(PlotColumns, FewPointsKeepTheirOwnTimesInTimeOrder)
{
    const std::vector<DriftPoint> points{At(30, 0.3), At(10, 0.1), At(20, 0.2), At(500, 9.0)};
    const std::vector<PlotRun> runs = PlotRuns(points, {0, 100 * Second, 10}, {}, 8);
    ASSERT_EQ(runs.size(), 1u) << "the point outside the frame is not drawn";
    ASSERT_EQ(runs[0].size(), 3u);
    EXPECT_EQ(runs[0][0].Microseconds, 10 * Second);
    EXPECT_EQ(runs[0][2].Microseconds, 30 * Second);
    EXPECT_DOUBLE_EQ(runs[0][1].OffsetLow, 0.2);
    EXPECT_DOUBLE_EQ(runs[0][1].BandLow, 0.199);
    EXPECT_DOUBLE_EQ(runs[0][1].BandHigh, 0.201);
}

TEST(PlotColumns, ManyPointsKeepEachColumnsExtremesSoASpikeSurvives)
{
    std::vector<DriftPoint> points;
    for (int second = 0; second < 1000; ++second)
        points.push_back(At(second, second == 437 ? 5.0 : 0.001 * (second % 7), second == 900 ? 0.4 : 0.002));
    const std::vector<PlotRun> runs = PlotRuns(points, {0, 1000 * Second, 100}, {}, 8);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 100u);
    const PlotColumn& spike = runs[0][43];
    EXPECT_EQ(spike.Microseconds, 435 * Second) << "the column's middle";
    EXPECT_DOUBLE_EQ(spike.OffsetHigh, 5.0);
    EXPECT_DOUBLE_EQ(spike.OffsetLow, 0.0);
    EXPECT_DOUBLE_EQ(runs[0][90].BandHigh, 0.004 + 0.2) << "the widest delay sets the band";
}

TEST(PlotColumns, ALineBreaksAtAStepOfTheClockAndAcrossALongGap)
{
    std::vector<DriftPoint> points;
    for (int second = 0; second < 20; ++second)
        points.push_back(At(second, 0.0));
    for (int second = 60; second < 100; ++second)
        points.push_back(At(second, 0.0));
    const PlotFrame frame{0, 100 * Second, 100};
    EXPECT_EQ(PlotRuns(points, frame, {}, 8).size(), 2u) << "forty empty columns";
    EXPECT_EQ(PlotRuns(points, frame, {}, 50).size(), 1u) << "a gap it may bridge";
    const std::int64_t step[] = {80 * Second + Second / 2};
    const std::vector<PlotRun> runs = PlotRuns(points, frame, step, 50);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].front().Microseconds, 81 * Second);
}

TEST(PlotColumns, NoColumnMixesOffsetsFromBothSidesOfAStep)
{
    // Ten points a column; the clock set back by a second in the middle of column 4.
    std::vector<DriftPoint> points;
    for (int tenth = 0; tenth < 100; ++tenth)
        points.push_back({tenth * Second / 10, tenth < 45 ? 1.0 : 0.0, 0.0});
    const std::int64_t step[] = {45 * Second / 10};
    const std::vector<PlotRun> runs = PlotRuns(points, {0, 10 * Second, 10}, step, 8);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 5u);
    EXPECT_EQ(runs[1].size(), 6u) << "column 4 once on each side";
    EXPECT_DOUBLE_EQ(runs[0].back().OffsetLow, 1.0);
    EXPECT_DOUBLE_EQ(runs[1].front().OffsetHigh, 0.0);
    EXPECT_EQ(runs[0].back().Microseconds, runs[1].front().Microseconds);
}
