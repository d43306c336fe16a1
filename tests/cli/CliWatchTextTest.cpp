// The watch's and the history's pure parts: where the strip's marker goes,
// the lines and the summary, and the values the two commands accept.
#include "CliHistory.h"
#include "CliWatch.h"
#include "CliWatchText.h"
#include "ErrorCodes.h"
#include "FailureText.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace brisvander;

namespace {
// The marker's column inside the brackets; -1 when there is none.
long MarkerColumn(const std::string& strip)
{
    const std::size_t at = strip.find('*');
    return at == std::string::npos ? -1 : static_cast<long>(at) - 1;
}

WatchMeasurement Answered(double offset, double delay, double scale, bool interleaved)
{
    WatchMeasurement m;
    m.Sample.Succeeded = true;
    m.Sample.Result.ClockOffset = offset;
    m.Sample.Result.RoundtripDelay = delay;
    m.Sample.Result.Interleaved = interleaved;
    m.ScaleSeconds = scale;
    return m;
}
} // namespace

TEST(WatchStrip, PlacesTheMarkerByTheOffsetOnTheScaleSeenSoFar)
{
    const long middle = WatchStripWidth / 2;
    const std::string zero = WatchStrip(0.0, 0.01);
    EXPECT_EQ(zero.size(), static_cast<std::size_t>(WatchStripWidth + 2));
    EXPECT_EQ(zero.front(), '[');
    EXPECT_EQ(zero.back(), ']');
    // The marker covers the zero line where they meet.
    EXPECT_EQ(MarkerColumn(zero), middle);
    EXPECT_EQ(zero.find('|'), std::string::npos);

    EXPECT_EQ(MarkerColumn(WatchStrip(0.01, 0.01)), WatchStripWidth - 1);
    EXPECT_EQ(MarkerColumn(WatchStrip(-0.01, 0.01)), 0);
    EXPECT_EQ(MarkerColumn(WatchStrip(0.005, 0.01)), middle + middle / 2);
    const std::string negative = WatchStrip(-0.005, 0.01);
    EXPECT_EQ(MarkerColumn(negative), middle - middle / 2);
    EXPECT_EQ(negative.find('|'), static_cast<std::size_t>(middle + 1));
    // Beyond the scale: at the end; without a scale: at zero.
    EXPECT_EQ(MarkerColumn(WatchStrip(5.0, 0.01)), WatchStripWidth - 1);
    EXPECT_EQ(MarkerColumn(WatchStrip(0.3, 0.0)), middle);
}

TEST(WatchText, LinesMarkInterleavedAnswersAndFailuresGiveTheirNumber)
{
    const std::string basic = WatchLine(Answered(0.0125, 0.0004, 0.025, false), "2026-05-01 14:03:07");
    EXPECT_EQ(basic.rfind("2026-05-01 14:03:07  ", 0), 0u) << basic;
    EXPECT_NE(basic.find("+0.012500000"), std::string::npos) << basic;
    EXPECT_NE(basic.find("0.000400000"), std::string::npos) << basic;
    EXPECT_NE(basic.find(WatchStrip(0.0125, 0.025)), std::string::npos) << basic;
    EXPECT_EQ(basic.back(), '\n');
    EXPECT_EQ(basic.find(" IL"), std::string::npos);

    const std::string interleaved = WatchLine(Answered(-0.0125, 0.0004, 0.025, true), "2026-05-01 14:03:08");
    EXPECT_NE(interleaved.find("-0.012500000"), std::string::npos) << interleaved;
    EXPECT_NE(interleaved.find("] IL\n"), std::string::npos) << interleaved;

    WatchMeasurement failed;
    failed.Sample.Error = 10060;
    EXPECT_EQ(WatchLine(failed, "2026-05-01 14:03:09"), "2026-05-01 14:03:09  (Fehler Nr. 10060)\n");

    // A failed key exchange is never a bare 20004.
    WatchMeasurement unkeyed;
    unkeyed.Sample.Error = ErrorCode::KeyExchangeFailed;
    unkeyed.NtsProblem = FailureOf(FailureKind::NtsTimedOut);
    const std::string line = WatchLine(unkeyed, "2026-05-01 14:03:10");
    EXPECT_EQ(line, "2026-05-01 14:03:10  (Fehler Nr. 20004) " + FailureText(*unkeyed.NtsProblem) + "\n");
    EXPECT_FALSE(FailureText(*unkeyed.NtsProblem).empty());
}

TEST(WatchText, TheSummarySaysWhatThereIs)
{
    WatchSummary none;
    none.Exchanges = 3;
    EXPECT_EQ(WatchSummaryText(none), "Austausche: 3, beantwortet: 0\n");

    WatchSummary some;
    some.Exchanges = 7;
    some.Answered = 6;
    some.OffsetMin = -0.001;
    some.OffsetMedian = 0.0005;
    some.OffsetMax = 0.002;
    some.Jitter = 0.00025;
    EXPECT_EQ(WatchSummaryText(some), "Austausche: 7, beantwortet: 6; Versatz min/Median/max: "
                                      "-0.001000000/+0.000500000/+0.002000000 s; Jitter: 0.000250000 s\n");
    some.Drift = DriftEstimate{};
    some.Drift->DriftPpm = -49.5;
    some.Drift->DriftPpmUncertainty = 0.25;
    some.Drift->SecondsPerDay = -4.2768;
    const std::string withDrift = WatchSummaryText(some);
    EXPECT_NE(withDrift.find("; Drift: -49.500 ± 0.250 ppm (-4.2768 s pro Tag)\n"), std::string::npos) << withDrift;
}

TEST(WatchArguments, CountAndSinceDate)
{
    EXPECT_EQ(ParseWatchCount("1"), 1);
    EXPECT_EQ(ParseWatchCount("200"), 200);
    EXPECT_EQ(ParseWatchCount("999999999"), 999999999);
    for (const char* bad : {"0", "", "-1", "+3", "1.5", "1000000000", "3x", " 3"})
        EXPECT_FALSE(ParseWatchCount(bad).has_value()) << bad;

    EXPECT_EQ(ParseSinceDate("2026-05-01T12:00:00Z"), std::int64_t{1777636800} * 1'000'000);
    EXPECT_EQ(ParseSinceDate("2026-05-01 14:00+02:00"), std::int64_t{1777636800} * 1'000'000);
    const QDateTime localMidnight(QDate(2026, 5, 1), QTime(0, 0), Qt::LocalTime);
    EXPECT_EQ(ParseSinceDate("2026-05-01"), localMidnight.toMSecsSinceEpoch() * 1000);
    for (const char* bad : {"", "yesterday", "2026-13-01", "01.05.2026"})
        EXPECT_FALSE(ParseSinceDate(bad).has_value()) << bad;
}
