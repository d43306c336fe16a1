#pragma once
// 64-bit NTP timestamp: seconds since the start of an NTP era in the upper
// half, fraction of a second in units of 2^-32 s in the lower half. Era 0
// began 1900-01-01 00:00:00 UTC, era 1 begins 2036-02-07 06:28:16 UTC; the
// value itself does not say which. Differences are taken modulo 2^64 and are
// right for any true difference under 68 years; calendar time is placed in
// the era nearest the local clock (see SecondsSince1900Near), so a date and
// an offset from the same reply always agree.
#include "Platform.h"

#include <array>
#include <cstdint>
#include <ctime>

namespace brisvander {

class NtpTimestamp {
public:
    constexpr NtpTimestamp() = default;
    constexpr explicit NtpTimestamp(std::uint64_t value) : m_value(value) {}
    constexpr NtpTimestamp(std::uint32_t seconds, std::uint32_t fraction)
        : m_value((std::uint64_t{seconds} << 32) | fraction) {}

    // The system clock at full (nanosecond) resolution, read through the
    // current clock reader (ClockReader.h).
    static NtpTimestamp Now();
    // A CLOCK_REALTIME reading, rounded to the nearest 2^-32 s.
    static NtpTimestamp FromTimespec(const timespec& realtime);

    // Calendar time with millisecond resolution; the day of week is not read.
    // Years past 2036 wrap into era 1, which is what the wire carries.
    static NtpTimestamp FromSystemTime(const SYSTEMTIME& st);
    // UTC calendar time in the era nearest the local clock now. A fraction
    // that rounds to 1000 ms carries into the next second.
    SYSTEMTIME ToSystemTime() const;
    // The same, in the era nearest `pivot` (seconds since 1900).
    SYSTEMTIME ToSystemTime(std::int64_t pivot) const;
    // Seconds since 1900-01-01 00:00:00 UTC in the era that puts this time
    // within 2^31 s (68 years) of `pivot`, the era a modular difference
    // against a stamp taken at `pivot` assumes; never before 1900.
    std::int64_t SecondsSince1900Near(std::int64_t pivot) const;
    // The local clock, in whole seconds since 1900-01-01 00:00:00 UTC, read
    // as Now() reads it.
    static std::int64_t LocalClockSecondsSince1900();

    constexpr std::uint32_t Seconds() const { return static_cast<std::uint32_t>(m_value >> 32); }
    constexpr std::uint32_t Fraction() const { return static_cast<std::uint32_t>(m_value); }
    constexpr std::uint64_t Value() const { return m_value; }

    static NtpTimestamp FromNetworkOrder(const std::uint8_t* bytes);
    void ToNetworkOrder(std::uint8_t* bytes) const;

    // this - other in seconds, signed, in modular 64-bit arithmetic: right
    // for any true difference under 68 years, across an era boundary too.
    // Both signs are exact mirrors. The fraction counts in units of
    // 1/(2^32 - 1) s, so 0xFFFFFFFF reads as 1.0.
    double Difference(const NtpTimestamp& other) const;
    // A new timestamp `seconds` later (earlier when negative), modulo 2^64.
    // The fractional part is scaled by 2^32 - 1, not 2^32, and truncated:
    // 0 + 1.5 s is 0x1_7FFFFFFF. A non-finite argument changes nothing.
    NtpTimestamp AddSeconds(double seconds) const;

    // Gregorian date to Julian day number and back (1721119 is the day
    // number of 0000-03-01 less one, where the algorithm's year starts).
    static std::int32_t DayNumberFromDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);
    static void DateFromDayNumber(std::int32_t dayNumber, std::uint16_t& year, std::uint16_t& month,
                                  std::uint16_t& day);
    // Milliseconds 0-999 to a fraction, exactly as MsFractionTable has it.
    static std::uint32_t FractionFromMs(std::uint16_t ms);
    // Rounded to the nearest millisecond, dividing by 2^32 - 1: 999.5 ms and up give 1000.
    static int MsFromFraction(std::uint32_t fraction);
    // Seconds, dividing by 2^32 - 1: 0xFFFFFFFF reads as 1.0.
    static double SecondsFromFraction(std::uint32_t fraction);

    friend constexpr bool operator==(const NtpTimestamp&, const NtpTimestamp&) = default;

private:
    std::uint64_t m_value = 0;
};

// Entry i is i * 2^32 / 1000 rounded to nearest (no entry falls on a tie).
inline constexpr std::array<std::uint32_t, 1000> MsFractionTable = [] {
    std::array<std::uint32_t, 1000> table{};
    for (std::uint64_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint32_t>(((i << 32) + 500) / 1000);
    return table;
}();

// Julian day number of 1900-01-01, the NTP epoch: DayNumberFromDate(1900, 1, 1).
inline constexpr std::int32_t NtpEpochDayNumber = 2415021;
// Seconds from 1900-01-01 to 1970-01-01.
inline constexpr std::int64_t UnixEpochNtpSeconds = 2208988800;

} // namespace brisvander
