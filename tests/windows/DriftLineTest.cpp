// The drift as drawn and as written on the plot.
#include "DriftLine.h"

#include <gtest/gtest.h>

using namespace brisvander;

TEST(DriftLine, FollowsTheDriftThroughTheMedianNotTheOutlier)
{
    // A clock 50 ppm fast: the offsets fall 50 us a second.
    std::vector<DriftPoint> points;
    for (int second = 0; second <= 100; ++second)
        points.push_back({1'000'000'000'000 + second * 1'000'000LL, 0.01 - 50e-6 * second, 0.002});
    points[50].OffsetSeconds = 3.0;
    const std::optional<DriftLineEnds> ends = DriftLineThrough(points, 50.0);
    ASSERT_TRUE(ends);
    EXPECT_EQ(ends->FromMicroseconds, points.front().UnixMicroseconds);
    EXPECT_EQ(ends->ToMicroseconds, points.back().UnixMicroseconds);
    EXPECT_NEAR(ends->FromOffsetSeconds, 0.01, 1e-12);
    EXPECT_NEAR(ends->ToOffsetSeconds, 0.005, 1e-12);
    EXPECT_FALSE(DriftLineThrough(std::span(points).first(1), 50.0));
}

TEST(DriftLine, SaysTheFigureWithItsSignInWords)
{
    DriftEstimate fast{50.0, 0.04, 4.32, 100, 600};
    EXPECT_EQ(DriftFigureText(fast), "+50.00 ppm ± 0.04 ppm, +4.320 s pro Tag (die Uhr geht vor)");
    DriftEstimate slow{-1.5, 0.25, -0.1296, 100, 600};
    EXPECT_EQ(DriftFigureText(slow), "-1.50 ppm ± 0.25 ppm, -0.130 s pro Tag (die Uhr geht nach)");

    DriftReport report;
    EXPECT_EQ(DriftReportLines(report).rfind("Drift: zu wenige Messungen", 0), 0u);
    report.Servers = {{"a\x1b.test", fast}};
    report.Combined = fast;
    EXPECT_EQ(DriftReportLines(report), "Drift a\\x1b.test: " + DriftFigureText(fast)) << "one server, one line";
    report.Servers.push_back({"b.test", slow});
    report.Combined = slow;
    EXPECT_EQ(DriftReportLines(report), "Drift a\\x1b.test: " + DriftFigureText(fast) + "\nDrift b.test: " +
                                            DriftFigureText(slow) + "\nDrift aller Server: " + DriftFigureText(slow));
}
