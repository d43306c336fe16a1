#include "SurveyCsv.h"

#include "CFormat.h"
#include "HostText.h"
#include "ReferenceText.h"
#include "SurveyFields.h"

#include <vector>

namespace brisvander {

namespace {
std::string Line(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i > 0 ? "," : "") + CsvField(fields[i]);
    return line + "\r\n";
}

std::string HostLine(const HostSurvey& host, ServerVerdict verdict)
{
    const bool ok = host.Answered();
    const bool kissed = verdict == ServerVerdict::Refused || verdict == ServerVerdict::RateLimited;
    const std::optional<std::string_view> name = VerdictName(verdict);
    return Line({EscapeControlCharacters(host.Host),
                 host.Address,
                 std::to_string(host.Port),
                 ok ? "true" : "false",
                 std::to_string(host.Error),
                 ok ? CFormat("%.9f", host.Offset) : "",
                 ok ? CFormat("%.9f", host.Delay) : "",
                 ok ? std::to_string(host.Stratum) : "",
                 ok || kissed ? ReferenceText(host.Stratum, host.ReferenceId) : "",
                 host.Nts ? "true" : "false",
                 name ? std::string(*name) : ""});
}
} // namespace

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string SurveyToCsv(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    std::string csv =
        Line({"host", "address", "port", "success", "error", "offset", "delay", "stratum", "reference", "nts", "verdict"});
    for (std::size_t i = 0; i < hosts.size(); ++i)
        csv += HostLine(hosts[i], verdict.Verdicts[i]);
    return csv;
}

} // namespace brisvander
