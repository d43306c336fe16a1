// Timestamp arithmetic: the millisecond table and its rounding, differences,
// additions, the wire form, the nanosecond conversions and the clock reading.
#include "ClockReader.h"
#include "NtpTimestamp.h"
#include "ReferenceClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

NtpTimestamp At(std::uint32_t seconds, std::uint32_t fraction = 0) { return {seconds, fraction}; }

// A clock the test holds: each reading gives At, then moves it on by Step
// nanoseconds (0: time stands still).
class HeldClock final : public ClockReader {
public:
    timespec At{};
    long Step = 0;

    timespec ReadRealtime() override
    {
        const timespec reading = At;
        At.tv_nsec += Step;
        At.tv_sec += At.tv_nsec / 1000000000;
        At.tv_nsec %= 1000000000;
        return reading;
    }
};

TEST(MsFractionTable, StartsMiddleAndEndAtTheKnownValues)
{
    EXPECT_EQ(MsFractionTable[0], 0u);
    EXPECT_EQ(MsFractionTable[1], 4294967u);
    EXPECT_EQ(MsFractionTable[2], 8589935u);
    EXPECT_EQ(MsFractionTable[3], 12884902u);
    EXPECT_EQ(MsFractionTable[4], 17179869u);
    EXPECT_EQ(MsFractionTable[500], 0x80000000u);
    EXPECT_EQ(MsFractionTable[789], 0xC9FBE76Du);
    EXPECT_EQ(MsFractionTable[999], 4290672329u);
}

TEST(MsFractionTable, EveryEntryIsTheNearestFractionToItsMillisecond)
{
    static_assert(MsFractionTable[500] == 0x80000000u, "the table exists at compile time");
    for (std::uint64_t ms = 0; ms < 1000; ++ms) {
        // |entry * 1000 - ms * 2^32| < 500 is "rounded to nearest, no tie".
        const std::int64_t error = static_cast<std::int64_t>(std::uint64_t{MsFractionTable[ms]} * 1000) -
                                   static_cast<std::int64_t>(ms << 32);
        ASSERT_LT(std::llabs(error), 500) << "ms " << ms;
    }
}

TEST(MillisecondConversion, EveryMillisecondSurvivesTheRoundTrip)
{
    for (std::uint16_t ms = 0; ms < 1000; ++ms)
        ASSERT_EQ(NtpTimestamp::MsFromFraction(NtpTimestamp::FractionFromMs(ms)), ms);
}

TEST(MillisecondConversion, RoundsToNearestAtTheBoundaries)
{
    EXPECT_EQ(NtpTimestamp::MsFromFraction(0), 0);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(2147483), 0);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(2147484), 1);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(2145336163), 499);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(0x7FDF3B64), 500);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(0xFFDF3B63), 999);
    // 999.5 ms and up round to a whole second; the calendar conversion carries it.
    EXPECT_EQ(NtpTimestamp::MsFromFraction(0xFFDF3B64), 1000);
    EXPECT_EQ(NtpTimestamp::MsFromFraction(0xFFFFFFFF), 1000);
}

TEST(MillisecondConversion, OutOfRangeMillisecondsStayInsideTheTable)
{
    EXPECT_EQ(NtpTimestamp::FractionFromMs(1000), MsFractionTable[999]);
    EXPECT_EQ(NtpTimestamp::FractionFromMs(65535), MsFractionTable[999]);
}

TEST(Difference, IsSignedAndBothSignsMirrorEachOther)
{
    EXPECT_EQ(At(3313526400).Difference(At(3313526400)), 0.0);
    EXPECT_DOUBLE_EQ(At(1).Difference(At(0, 0x80000000)), 0.5000000001164153);
    EXPECT_DOUBLE_EQ(At(0, 0x80000000).Difference(At(1)), -0.5000000001164153);
    EXPECT_EQ(At(3313526400).Difference(At(1313526400)), 2000000000.0);
    EXPECT_EQ(At(1313526400).Difference(At(3313526400)), -2000000000.0);

    const NtpTimestamp a(0xC5714570C9FBE76Dull);
    const NtpTimestamp b(0xC5714570000000FFull);
    EXPECT_EQ(a.Difference(b), -b.Difference(a));
    EXPECT_GT(a.Difference(b), 0.0);
}

TEST(Difference, ResolvesOneFractionUnitAcrossASecondBoundary)
{
    const double unit = At(1, 0).Difference(At(0, 0xFFFFFFFF));
    EXPECT_GT(unit, 0.0);
    EXPECT_NEAR(unit, 1.0 / 4294967295.0, 1e-15);
    EXPECT_EQ(At(0, 0xFFFFFFFF).Difference(At(1, 0)), -unit);
}

// Modular: one second across the 2036 wrap is one second, in both
// directions, whichever side each stamp lies on.
TEST(Difference, IsModularAcrossThe2036Wrap)
{
    const NtpTimestamp lastOfEra0(0xFFFFFFFFu, 0);
    const NtpTimestamp firstOfEra1(0u, 0);
    EXPECT_EQ(firstOfEra1.Difference(lastOfEra0), 1.0);
    EXPECT_EQ(lastOfEra0.Difference(firstOfEra1), -1.0);
    // A server in March 2036 against a local clock in December 2026: 9.2 years ahead, not 126 behind.
    const NtpTimestamp local2026(0xED003780u, 0);  // 2026-01-01 00:00:00
    const NtpTimestamp server2036(0x001DF780u, 0); // 2036-03-01 00:00:00, in era 1
    EXPECT_EQ(server2036.Difference(local2026), 3712 * 86400.0);
    EXPECT_GT(server2036.Difference(local2026), 0.0);
    EXPECT_EQ(local2026.Difference(server2036), -server2036.Difference(local2026));
    // Just under 68 years either way still comes out right; the far side of
    // 2^31 s turns around, as RFC 5905 has it.
    EXPECT_EQ(At(0x7FFFFFFFu).Difference(At(0)), 2147483647.0);
    EXPECT_EQ(At(0).Difference(At(0x7FFFFFFFu)), -2147483647.0);
    EXPECT_EQ(At(0x80000001u).Difference(At(0)), -2147483647.0);
}

TEST(AddSeconds, PositiveAndNegativeExamples)
{
    EXPECT_EQ(At(0).AddSeconds(1.5).Value(), 0x17FFFFFFFull);
    EXPECT_EQ(At(2).AddSeconds(-1.5).Value(), 0x080000001ull);
    EXPECT_EQ(At(100).AddSeconds(0.0), At(100));
    EXPECT_EQ(At(100).AddSeconds(-0.0), At(100));
    EXPECT_EQ(At(100).AddSeconds(-100.0), At(0));
}

TEST(AddSeconds, AddingThenSubtractingTheSameAmountRestoresTheValue)
{
    const NtpTimestamp t(0xC5714570C9FBE76Dull);
    for (const double x : {0.25, 2.5, 1e-6, 0.999999, 3600.5, 86400.0 * 365, 1e-10}) {
        EXPECT_EQ(t.AddSeconds(x).AddSeconds(-x), t) << x;
        EXPECT_EQ(t.AddSeconds(-x).AddSeconds(x), t) << x;
    }
}

TEST(AddSeconds, AgreesWithDifference)
{
    const NtpTimestamp t(0xC5714570C9FBE76Dull);
    for (const double x : {2.5, -2.5, 0.000123, -0.000123, 12345.678, -12345.678})
        EXPECT_NEAR(t.AddSeconds(x).Difference(t), x, 1e-9) << x;
}

TEST(AddSeconds, WrapsAtTheEraEndBothWays)
{
    EXPECT_EQ(At(0xFFFFFFFF).AddSeconds(1.0), At(0));
    EXPECT_EQ(At(0).AddSeconds(-1.0), At(0xFFFFFFFF));
    EXPECT_EQ(At(0xFFFFFFFF, 0x80000000).AddSeconds(1.0), At(0, 0x80000000));
}

TEST(AddSeconds, NonFiniteAmountsLeaveTheTimestampAlone)
{
    const NtpTimestamp t = At(3313526400, 12345);
    EXPECT_EQ(t.AddSeconds(std::nan("")), t);
    EXPECT_EQ(t.AddSeconds(INFINITY), t);
    EXPECT_EQ(t.AddSeconds(-INFINITY), t);
}

TEST(WireForm, IsSecondsThenFractionBigEndian)
{
    const NtpTimestamp t(0x0102030405060708ull);
    std::uint8_t bytes[8] = {};
    t.ToNetworkOrder(bytes);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bytes[i], i + 1) << "byte " << i;

    const std::uint8_t wire[8] = {0xC5, 0x71, 0x45, 0x70, 0xC9, 0xFB, 0xE7, 0x6D};
    const NtpTimestamp read = NtpTimestamp::FromNetworkOrder(wire);
    EXPECT_EQ(read.Seconds(), 0xC5714570u);
    EXPECT_EQ(read.Fraction(), 0xC9FBE76Du);
}

TEST(Timespec, EveryNanosecondStaysDistinguishable)
{
    // 2^-32 s is finer than a nanosecond: rounding the fraction back to
    // nanoseconds must give the reading again.
    std::vector<long> samples = {0, 1, 2, 499999999, 500000000, 999999998, 999999999};
    for (long ns = 3; ns < 1000000000; ns += 7919)
        samples.push_back(ns);
    for (const long ns : samples) {
        const std::uint64_t fraction = NtpTimestamp::FromTimespec({1104537600, ns}).Fraction();
        ASSERT_EQ(static_cast<long>((fraction * 1000000000ull + (1ull << 31)) >> 32), ns);
    }
}

TEST(Timespec, ConvertsToTheNtpEpochAtFullResolution)
{
    const NtpTimestamp t = NtpTimestamp::FromTimespec({1104537600, 500000000});
    EXPECT_EQ(t.Seconds(), 3313526400u);
    EXPECT_EQ(t.Fraction(), 0x80000000u);
    // ns * 2^32 / 10^9, rounded to nearest.
    EXPECT_EQ(NtpTimestamp::FromTimespec({1104537600, 1}).Fraction(), 4u);
    EXPECT_EQ(NtpTimestamp::FromTimespec({1104537600, 123456789}).Fraction(), 530242871u);
    EXPECT_EQ(NtpTimestamp::FromTimespec({1104537600, 999999999}).Fraction(), 4294967292u);
    EXPECT_EQ(NtpTimestamp::FromTimespec({-2208988800, 0}), At(0));
}

TEST(Timespec, ReadingsPastThe2036WrapLandInEra1)
{
    // 2036-02-07 06:28:16 UTC is Unix second 2085978496.
    const NtpTimestamp wrap = NtpTimestamp::FromTimespec({2085978496, 0});
    EXPECT_EQ(wrap.Seconds(), 0u);
    EXPECT_EQ(wrap.SecondsSince1900Near(std::int64_t{1} << 32), std::int64_t{1} << 32);
    EXPECT_EQ(NtpTimestamp::FromTimespec({2085978495, 999999999}).Seconds(), 0xFFFFFFFFu);
}

TEST(Now, ReadsTheRealClockBelowTheMillisecond)
{
    const NtpTimestamp before = RealClockPlus(0.0);
    const NtpTimestamp now = NtpTimestamp::Now();
    const NtpTimestamp after = RealClockPlus(0.0);
    EXPECT_GE(now.Value(), before.Value());
    EXPECT_LE(now.Value(), after.Value());
    // A clock read through milliseconds would leave fractions on the table's grid only.
    bool offGrid = false;
    for (int i = 0; i < 20 && !offGrid; ++i) {
        const std::uint32_t f = NtpTimestamp::Now().Fraction();
        offGrid = f != NtpTimestamp::FractionFromMs(static_cast<std::uint16_t>(NtpTimestamp::MsFromFraction(f) % 1000));
    }
    EXPECT_TRUE(offGrid);
}

TEST(Now, ReadsTheClockReaderInPlaceHeldStillOrDrifting)
{
    HeldClock held;
    held.At = {1'790'000'000, 123'456'789}; // 2026-09-21 14:13:20.123456789 UTC
    {
        const ClockReaderOverride override(held);
        // 1790000000 + 2208988800 s since 1900; 0.123456789 s is 0x1F9ADD37 units of 2^-32 s.
        EXPECT_EQ(NtpTimestamp::Now(), NtpTimestamp(3998988800u, 0x1F9ADD37u));
        EXPECT_EQ(NtpTimestamp::Now(), NtpTimestamp(3998988800u, 0x1F9ADD37u)) << "time stood still";
        EXPECT_EQ(NtpTimestamp::LocalClockSecondsSince1900(), 3998988800);

        held.Step = 900'000'000;
        const NtpTimestamp first = NtpTimestamp::Now();
        const NtpTimestamp second = NtpTimestamp::Now();
        EXPECT_NEAR(second.Difference(first), 0.9, 1e-9);
        EXPECT_EQ(NtpTimestamp::LocalClockSecondsSince1900(), 3998988801);
    }
    // The override gone, the machine's clock again.
    EXPECT_NEAR(NtpTimestamp::Now().Difference(RealClockPlus(0.0)), 0.0, 1.0);
}

} // namespace
