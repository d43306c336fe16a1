// Calendar conversion: day numbers, SYSTEMTIME both ways, the era rule at
// the 2036 wrap and the carry of a rounded-up millisecond. The C library's
// gmtime is the independent judge of dates and weekdays.
#include "NtpTimestamp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

using namespace brisvander;

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kHalfEra = std::int64_t{1} << 31;
// The last day of the window of a clock in 2100, 2168-01-20, as days since 1900.
constexpr std::int64_t kLastDayTested = 97904;
// Local clocks before and after the 2036 wrap, as seconds since 1900.
constexpr std::int64_t kClockIn2026 = 3974227200; // 2025-12-09 00:00:00
constexpr std::int64_t kClockIn2100 = 6311433600; // 2100-01-01 00:00:00

tm GmTimeOfDay(std::int64_t daysSince1900)
{
    const time_t unix = static_cast<time_t>(daysSince1900 * kSecondsPerDay - UnixEpochNtpSeconds);
    tm truth{};
    gmtime_r(&unix, &truth);
    return truth;
}

SYSTEMTIME Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    SYSTEMTIME st;
    st.wYear = static_cast<std::uint16_t>(year);
    st.wMonth = static_cast<std::uint16_t>(month);
    st.wDay = static_cast<std::uint16_t>(day);
    st.wHour = static_cast<std::uint16_t>(hour);
    st.wMinute = static_cast<std::uint16_t>(minute);
    st.wSecond = static_cast<std::uint16_t>(second);
    st.wMilliseconds = static_cast<std::uint16_t>(ms);
    st.wDayOfWeek = 0xFFFF; // never read by FromSystemTime
    return st;
}

void ExpectCalendar(const SYSTEMTIME& st, int year, int month, int day, int dayOfWeek, int hour, int minute, int second,
                    int ms)
{
    EXPECT_EQ(st.wYear, year);
    EXPECT_EQ(st.wMonth, month);
    EXPECT_EQ(st.wDay, day);
    EXPECT_EQ(st.wDayOfWeek, dayOfWeek);
    EXPECT_EQ(st.wHour, hour);
    EXPECT_EQ(st.wMinute, minute);
    EXPECT_EQ(st.wSecond, second);
    EXPECT_EQ(st.wMilliseconds, ms);
}

TEST(DayNumber, TheNtpEpochIsDay2415021)
{
    EXPECT_EQ(NtpTimestamp::DayNumberFromDate(1900, 1, 1), 2415021);
    EXPECT_EQ(NtpEpochDayNumber, 2415021);
    std::uint16_t y = 0, m = 0, d = 0;
    NtpTimestamp::DateFromDayNumber(2415021, y, m, d);
    EXPECT_EQ(y, 1900);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(d, 1);
}

TEST(DayNumber, LeapYearRules)
{
    // 1900 is divisible by 100 but not 400: no 29 February.
    EXPECT_EQ(NtpTimestamp::DayNumberFromDate(1900, 3, 1) - NtpTimestamp::DayNumberFromDate(1900, 2, 28), 1);
    EXPECT_EQ(NtpTimestamp::DayNumberFromDate(2000, 3, 1) - NtpTimestamp::DayNumberFromDate(2000, 2, 28), 2);
    EXPECT_EQ(NtpTimestamp::DayNumberFromDate(2004, 3, 1) - NtpTimestamp::DayNumberFromDate(2004, 2, 28), 2);
    std::uint16_t y = 0, m = 0, d = 0;
    NtpTimestamp::DateFromDayNumber(NtpTimestamp::DayNumberFromDate(2000, 2, 29), y, m, d);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 29);
}

TEST(DayNumber, EveryDayFrom1900To2168RoundTripsWithItsTrueDate)
{
    for (std::int64_t day = 0; day <= kLastDayTested; ++day) {
        const tm truth = GmTimeOfDay(day);
        const int year = truth.tm_year + 1900, month = truth.tm_mon + 1, mday = truth.tm_mday;
        const std::int32_t dayNumber = NtpTimestamp::DayNumberFromDate(static_cast<std::uint16_t>(year),
                                                                       static_cast<std::uint16_t>(month),
                                                                       static_cast<std::uint16_t>(mday));
        ASSERT_EQ(dayNumber, NtpEpochDayNumber + day) << year << "-" << month << "-" << mday;
        std::uint16_t y = 0, m = 0, d = 0;
        NtpTimestamp::DateFromDayNumber(dayNumber, y, m, d);
        ASSERT_TRUE(y == year && m == month && d == mday) << "day " << day;
    }
}

// Every midnight within 68 years of a local clock before the 2036 wrap and of
// one after it, each with its true date and weekday.
TEST(CalendarConversion, EveryDayWithin68YearsOfTheLocalClockHasItsTrueDateAndWeekday)
{
    for (const std::int64_t pivot : {kClockIn2026, kClockIn2100}) {
        const std::int64_t firstDay = (pivot - kHalfEra) / kSecondsPerDay + 1;
        const std::int64_t lastDay = (pivot + kHalfEra - 1) / kSecondsPerDay;
        for (std::int64_t day = firstDay; day <= lastDay; ++day) {
            const tm truth = GmTimeOfDay(day);
            const auto seconds = static_cast<std::uint32_t>(day * kSecondsPerDay);
            const SYSTEMTIME st = NtpTimestamp(seconds, 0).ToSystemTime(pivot);
            ASSERT_TRUE(st.wYear == truth.tm_year + 1900 && st.wMonth == truth.tm_mon + 1 &&
                        st.wDay == truth.tm_mday)
                << "day " << day << ": " << st.wYear << "-" << st.wMonth << "-" << st.wDay;
            ASSERT_EQ(st.wDayOfWeek, truth.tm_wday) << "day " << day;
            ASSERT_EQ(NtpTimestamp::FromSystemTime(st).Seconds(), seconds) << "day " << day;
        }
    }
}

TEST(CalendarConversion, KnownDatesBothWays)
{
    const NtpTimestamp newYear = NtpTimestamp::FromSystemTime(Utc(2005, 1, 1));
    EXPECT_EQ(newYear.Seconds(), 3313526400u);
    EXPECT_EQ(newYear.Seconds(), 0xC5806680u);
    EXPECT_EQ(newYear.Fraction(), 0u);

    const NtpTimestamp t = NtpTimestamp::FromSystemTime(Utc(2004, 12, 20, 12, 34, 56, 789));
    EXPECT_EQ(t.Value(), 0xC5714570C9FBE76Dull);
    ExpectCalendar(t.ToSystemTime(), 2004, 12, 20, 1, 12, 34, 56, 789);
}

TEST(CalendarConversion, EveryMillisecondOfASecondRoundTrips)
{
    for (int ms = 0; ms < 1000; ++ms) {
        const SYSTEMTIME st = NtpTimestamp::FromSystemTime(Utc(2030, 6, 15, 23, 59, 59, ms)).ToSystemTime();
        ASSERT_EQ(st.wMilliseconds, ms);
        ASSERT_EQ(st.wSecond, 59);
        ASSERT_EQ(st.wDay, 15);
    }
}

TEST(CalendarConversion, The2036WrapContinuesTheCalendar)
{
    for (const std::int64_t pivot : {kClockIn2026, kClockIn2100 - 60 * 365 * kSecondsPerDay}) {
        ExpectCalendar(NtpTimestamp(0xFFFFFFFFu, 0).ToSystemTime(pivot), 2036, 2, 7, 4, 6, 28, 15, 0);
        // The next second is the first of era 1: Seconds 0, still in 2036.
        const NtpTimestamp wrapped = NtpTimestamp::FromSystemTime(Utc(2036, 2, 7, 6, 28, 16));
        EXPECT_EQ(wrapped.Seconds(), 0u);
        ExpectCalendar(wrapped.ToSystemTime(pivot), 2036, 2, 7, 4, 6, 28, 16, 0);
        EXPECT_EQ(wrapped.SecondsSince1900Near(pivot), std::int64_t{1} << 32);
        const NtpTimestamp march2036 = NtpTimestamp::FromSystemTime(Utc(2036, 3, 1, 12, 0, 0, 250));
        ExpectCalendar(march2036.ToSystemTime(pivot), 2036, 3, 1, 6, 12, 0, 0, 250);
    }
    EXPECT_EQ(NtpTimestamp::FromSystemTime(Utc(2036, 2, 7, 6, 28, 15)).Seconds(), 0xFFFFFFFFu);
}

TEST(CalendarConversion, AStampIsPlacedWithin68YearsOfTheLocalClock)
{
    // The same seconds read as 1968 by a clock in 2026 and as 2104 by one in 2100:
    // the date always agrees with the offset a modular difference gives.
    const NtpTimestamp edge(0x80000000u, 0);
    ExpectCalendar(edge.ToSystemTime(kClockIn2026), 1968, 1, 20, 6, 3, 14, 8, 0);
    ExpectCalendar(edge.ToSystemTime(kClockIn2100), 2104, 2, 26, 2, 9, 42, 24, 0);
    const NtpTimestamp local(static_cast<std::uint32_t>(kClockIn2026), 0);
    EXPECT_EQ(edge.SecondsSince1900Near(kClockIn2026) - kClockIn2026, static_cast<std::int64_t>(edge.Difference(local)));
    // A clock before 1968 still never places a stamp before 1900.
    EXPECT_GE(NtpTimestamp(0xF0000000u, 0).SecondsSince1900Near(0), 0);
    // With no pivot given, the local clock decides: today's stamps show today.
    const NtpTimestamp now = NtpTimestamp::Now();
    EXPECT_EQ(now.ToSystemTime().wYear, now.ToSystemTime(NtpTimestamp::LocalClockSecondsSince1900()).wYear);
}

TEST(CalendarConversion, NegativeAdditionsCrossTheYearBoundary)
{
    const NtpTimestamp newYear = NtpTimestamp::FromSystemTime(Utc(2005, 1, 1));
    ExpectCalendar(newYear.AddSeconds(-0.25).ToSystemTime(), 2004, 12, 31, 5, 23, 59, 59, 750);
    ExpectCalendar(newYear.AddSeconds(-3600.5).ToSystemTime(), 2004, 12, 31, 5, 22, 59, 59, 500);
    ExpectCalendar(newYear.AddSeconds(2.5).ToSystemTime(), 2005, 1, 1, 6, 0, 0, 2, 500);
}

TEST(CalendarConversion, RoundedUpMillisecondsCarryIntoTheNextSecond)
{
    const std::uint32_t lastOfYear = NtpTimestamp::FromSystemTime(Utc(2004, 12, 31, 23, 59, 59)).Seconds();
    ExpectCalendar(NtpTimestamp(lastOfYear, 0xFFDF3B63).ToSystemTime(), 2004, 12, 31, 5, 23, 59, 59, 999);
    // 999.5 ms and more: the next second, which here is the next year.
    ExpectCalendar(NtpTimestamp(lastOfYear, 0xFFDF3B64).ToSystemTime(), 2005, 1, 1, 6, 0, 0, 0, 0);
    ExpectCalendar(NtpTimestamp(lastOfYear, 0xFFFFFFFF).ToSystemTime(), 2005, 1, 1, 6, 0, 0, 0, 0);
    // At era 0's last second the carry goes on into era 1.
    ExpectCalendar(NtpTimestamp(0xFFFFFFFFu, 0xFFFFFFFF).ToSystemTime(kClockIn2026), 2036, 2, 7, 4, 6, 28, 16, 0);
}

TEST(CalendarConversion, NoFractionGivesAThousandMilliseconds)
{
    // Every fraction from just below the carry point to the top, then a sparse sweep of the rest.
    for (std::uint64_t f = 0xFFDF0000u; f <= 0xFFFFFFFFu; ++f)
        ASSERT_LT(NtpTimestamp(123456789u, static_cast<std::uint32_t>(f)).ToSystemTime().wMilliseconds, 1000) << f;
    for (std::uint64_t f = 0; f <= 0xFFFFFFFFu; f += 65521) {
        const SYSTEMTIME st = NtpTimestamp(123456789u, static_cast<std::uint32_t>(f)).ToSystemTime();
        ASSERT_LT(st.wMilliseconds, 1000) << f;
        ASSERT_EQ(st.wMilliseconds, NtpTimestamp::MsFromFraction(static_cast<std::uint32_t>(f)) % 1000) << f;
    }
}

TEST(FromSystemTime, IgnoresTheDayOfWeekField)
{
    SYSTEMTIME a = Utc(2004, 12, 20, 12, 34, 56, 789);
    SYSTEMTIME b = a;
    a.wDayOfWeek = 1;
    b.wDayOfWeek = 6;
    EXPECT_EQ(NtpTimestamp::FromSystemTime(a), NtpTimestamp::FromSystemTime(b));
}

} // namespace
