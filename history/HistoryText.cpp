#include "HistoryText.h"

#include "CFormat.h"

#include <utility>

namespace brisvander {

namespace {
unsigned ByteAt(std::string_view text, std::size_t at) { return static_cast<unsigned char>(text[at]); }

// The code point of the UTF-8 sequence at `at` and its length; length 0
// when the bytes there are not UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> DecodeAt(std::string_view text, std::size_t at)
{
    const unsigned lead = ByteAt(text, at);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return {0, 0};
    char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((ByteAt(text, at + i) & 0xC0) != 0x80)
            return {0, 0};
        value = (value << 6) | (ByteAt(text, at + i) & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return {0, 0};
    return {value, length};
}

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

std::string EscapeForTerminal(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto [value, length] = DecodeAt(text, at);
        if (length == 0) {
            shown += CFormat("\\x%02x", ByteAt(text, at));
            ++at;
            continue;
        }
        if (value < 0x20 || (value >= 0x7F && value <= 0x9F))
            shown += CFormat("\\x%02x", static_cast<unsigned>(value));
        else
            shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}

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
