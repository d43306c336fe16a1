#include "ReportShape.h"

#include <regex>

namespace brisvander::testsupport {

std::optional<ParsedReport> ParseSuccessReport(const std::string& text, const std::string& host)
{
    const std::string stamp = "\\d\\d\\.\\d\\d\\.\\d{4}\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\n";
    const std::string number = "(-?\\d+\\.\\d{6})";
    const std::regex shape(
        "Verbinde mit SNTP Zeitserver: " + std::regex_replace(host, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&") +
        "\\n(Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen\\.\\n)?"
        "Diese Daten wurde vom NTP Server übertragen:\\n\\n"
        "\\t\\t\\tDD\\.MM\\.YYYY\\tHH:MM:SS\\.MS\\n"
        "Client Orginal Daten:\\t" + stamp +
        "Server Receive Daten:\\t" + stamp +
        "Server Transmit Daten:\\t" + stamp +
        "Client Ziel Daten:\\t\\t" + stamp + "\\n"
        "Verzögerung:\\t\\t" + number + " Sekunden\\.\\n"
        "Differenz zur Lokalzeit:\\t" + number + " Sekunden\\.\\n"
        "([\\s\\S]*)");
    std::smatch match;
    if (!std::regex_match(text, match, shape))
        return std::nullopt;
    return ParsedReport{match[1].matched, std::stod(match[2]), std::stod(match[3]), match[4]};
}

} // namespace brisvander::testsupport
