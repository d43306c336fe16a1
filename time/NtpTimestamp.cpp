#include "NtpTimestamp.h"

#include "ByteOrder.h"
#include "ClockReader.h"

#include <cmath>

namespace brisvander {

namespace {
// The double nearest to 1 / (2^32 - 1) and to 1000 / (2^32 - 1).
constexpr double kSecondsPerFractionUnit = 2.3283064370807974e-10;
constexpr double kMsPerFractionUnit = 2.3283064370807974e-07;
constexpr double kFractionScale = 4294967295.0;

std::uint64_t MagnitudeFromSeconds(double x)
{
    double whole = 0.0;
    const double frac = std::modf(x, &whole);
    // Out-of-range doubles must not be converted directly (undefined); the
    // value wraps modulo 2^32 seconds like every other timestamp arithmetic.
    const double wrapped = std::fmod(whole, 4294967296.0);
    const auto seconds = static_cast<std::uint64_t>(wrapped);
    const auto fraction = static_cast<std::uint64_t>(frac * kFractionScale);
    return (seconds << 32) + fraction;
}
} // namespace

NtpTimestamp NtpTimestamp::Now() { return FromTimespec(CurrentClockReader().ReadRealtime()); }

NtpTimestamp NtpTimestamp::FromTimespec(const timespec& realtime)
{
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::int64_t>(realtime.tv_sec) + UnixEpochNtpSeconds);
    const auto ns = static_cast<std::uint64_t>(realtime.tv_nsec);
    const auto fraction = static_cast<std::uint32_t>(((ns << 32) + 500000000) / 1000000000);
    // ns = 999999999.9 and up would round to 2^32: keep it in this second.
    return {seconds, ns >= 1000000000 ? 0xFFFFFFFFu : fraction};
}

NtpTimestamp NtpTimestamp::FromSystemTime(const SYSTEMTIME& st)
{
    const std::int64_t days = DayNumberFromDate(st.wYear, st.wMonth, st.wDay) - NtpEpochDayNumber;
    const std::int64_t s = ((days * 24 + st.wHour) * 60 + st.wMinute) * 60 + st.wSecond;
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(s));
    // Milliseconds outside 0-999 would index past the table.
    const std::uint16_t ms = st.wMilliseconds < 1000 ? st.wMilliseconds : 999;
    return {seconds, FractionFromMs(ms)};
}

std::int64_t NtpTimestamp::SecondsSince1900Near(std::int64_t pivot) const
{
    // The signed 32-bit distance from the pivot's seconds to ours.
    const auto ahead = static_cast<std::int32_t>(Seconds() - static_cast<std::uint32_t>(pivot));
    const std::int64_t placed = pivot + ahead;
    constexpr std::int64_t eraSeconds = std::int64_t{1} << 32;
    return placed >= 0 ? placed : placed + eraSeconds;
}

std::int64_t NtpTimestamp::LocalClockSecondsSince1900()
{
    return static_cast<std::int64_t>(CurrentClockReader().ReadRealtime().tv_sec) + UnixEpochNtpSeconds;
}

SYSTEMTIME NtpTimestamp::ToSystemTime() const { return ToSystemTime(LocalClockSecondsSince1900()); }

SYSTEMTIME NtpTimestamp::ToSystemTime(std::int64_t pivot) const
{
    std::int64_t s = SecondsSince1900Near(pivot);
    int ms = MsFromFraction(Fraction());
    if (ms >= 1000) {
        ms -= 1000;
        s += 1; // 2036-02-07 06:28:15.9995 becomes 06:28:16, the first second of era 1
    }
    SYSTEMTIME st;
    st.wSecond = static_cast<std::uint16_t>(s % 60);
    s /= 60;
    st.wMinute = static_cast<std::uint16_t>(s % 60);
    s /= 60;
    st.wHour = static_cast<std::uint16_t>(s % 24);
    const auto dayNumber = static_cast<std::int32_t>(s / 24) + NtpEpochDayNumber;
    st.wDayOfWeek = static_cast<std::uint16_t>((dayNumber + 1) % 7);
    DateFromDayNumber(dayNumber, st.wYear, st.wMonth, st.wDay);
    st.wMilliseconds = static_cast<std::uint16_t>(ms);
    return st;
}

NtpTimestamp NtpTimestamp::FromNetworkOrder(const std::uint8_t* bytes)
{
    return {GetBigEndian32(bytes), GetBigEndian32(bytes + 4)};
}

void NtpTimestamp::ToNetworkOrder(std::uint8_t* bytes) const
{
    PutBigEndian32(bytes, Seconds());
    PutBigEndian32(bytes + 4, Fraction());
}

double NtpTimestamp::Difference(const NtpTimestamp& other) const
{
    const auto magnitude = [](std::uint64_t d) {
        const NtpTimestamp span(d);
        return static_cast<double>(span.Seconds()) + SecondsFromFraction(span.Fraction());
    };
    const std::uint64_t d = m_value - other.m_value;
    // The top bit of the modular difference is its sign.
    if ((d >> 63) == 0)
        return magnitude(d);
    return -magnitude(0 - d);
}

NtpTimestamp NtpTimestamp::AddSeconds(double seconds) const
{
    if (!std::isfinite(seconds))
        return *this;
    if (seconds >= 0.0)
        return NtpTimestamp(m_value + MagnitudeFromSeconds(seconds));
    return NtpTimestamp(m_value - MagnitudeFromSeconds(-seconds));
}

std::int32_t NtpTimestamp::DayNumberFromDate(std::uint16_t year, std::uint16_t month, std::uint16_t day)
{
    std::int32_t y = year;
    std::int32_t m = month;
    if (m > 2) {
        m -= 3;
    } else {
        m += 9;
        y -= 1;
    }
    const std::int32_t c = y / 100;
    const std::int32_t ya = y - 100 * c;
    return (146097 * c) / 4 + (1461 * ya) / 4 + (153 * m + 2) / 5 + day + 1721119;
}

void NtpTimestamp::DateFromDayNumber(std::int32_t dayNumber, std::uint16_t& year, std::uint16_t& month,
                                     std::uint16_t& day)
{
    std::int64_t j = std::int64_t{dayNumber} - 1721119;
    std::int64_t y = (4 * j - 1) / 146097;
    j = 4 * j - 1 - 146097 * y;
    std::int64_t d = j / 4;
    j = (4 * d + 3) / 1461;
    d = 4 * d + 3 - 1461 * j;
    d = (d + 4) / 4;
    std::int64_t m = (5 * d - 3) / 153;
    d = 5 * d - 3 - 153 * m;
    d = (d + 5) / 5;
    y = 100 * y + j;
    if (m < 10) {
        m += 3;
    } else {
        m -= 9;
        y += 1;
    }
    year = static_cast<std::uint16_t>(y);
    month = static_cast<std::uint16_t>(m);
    day = static_cast<std::uint16_t>(d);
}

std::uint32_t NtpTimestamp::FractionFromMs(std::uint16_t ms)
{
    return MsFractionTable[ms < MsFractionTable.size() ? ms : MsFractionTable.size() - 1];
}

int NtpTimestamp::MsFromFraction(std::uint32_t fraction)
{
    return static_cast<int>(fraction * kMsPerFractionUnit + 0.5);
}

double NtpTimestamp::SecondsFromFraction(std::uint32_t fraction)
{
    return fraction * kSecondsPerFractionUnit;
}

} // namespace brisvander
