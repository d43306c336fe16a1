#include "HistoryText.h"

#include "CFormat.h"

namespace brisvander {

namespace {
std::int64_t FloorDivide(std::int64_t value, std::int64_t by)
{
    const std::int64_t quotient = value / by;
    return quotient * by > value ? quotient - 1 : quotient;
}

struct CivilDate {
    std::int64_t Year;
    unsigned Month, Day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01 (Howard
// Hinnant's algorithm: eras of 400 years starting on March 1st).
CivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = FloorDivide(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}
} // namespace

std::string UtcTimeText(std::int64_t unixMicroseconds, char separator)
{
    const std::int64_t seconds = FloorDivide(unixMicroseconds, 1000000);
    const std::int64_t days = FloorDivide(seconds, 86400);
    const std::int64_t secondOfDay = seconds - days * 86400;
    const CivilDate date = CivilFromDays(days);
    return CFormat("%04lld-%02u-%02u%c%02lld:%02lld:%02lld.%06lldZ", static_cast<long long>(date.Year), date.Month,
                   date.Day, separator, static_cast<long long>(secondOfDay / 3600),
                   static_cast<long long>(secondOfDay / 60 % 60), static_cast<long long>(secondOfDay % 60),
                   static_cast<long long>(unixMicroseconds - seconds * 1000000));
}

} // namespace brisvander
