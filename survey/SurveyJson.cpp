#include "SurveyJson.h"

#include "ReferenceText.h"
#include "SurveyFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <string>

namespace brisvander {

namespace {
QJsonValue Text(const std::string& text) { return QString::fromStdString(text); }

QJsonValue TextOrNull(bool present, const std::string& text)
{
    return present ? Text(text) : QJsonValue(QJsonValue::Null);
}

QJsonObject HostToJson(const HostSurvey& host, ServerVerdict verdict)
{
    const bool ok = host.Answered();
    const bool kissed = verdict == ServerVerdict::Refused || verdict == ServerVerdict::RateLimited;
    auto number = [ok](double value) { return ok ? QJsonValue(value) : QJsonValue(QJsonValue::Null); };
    const std::optional<std::string_view> name = VerdictName(verdict);

    QJsonObject object;
    object["host"] = Text(host.Host);
    object["address"] = TextOrNull(!host.Address.empty(), host.Address);
    object["port"] = host.Port;
    object["success"] = ok;
    object["error"] = static_cast<qint64>(host.Error);
    object["offset"] = number(host.Offset);
    object["delay"] = number(host.Delay);
    object["stratum"] = ok ? QJsonValue(host.Stratum) : QJsonValue(QJsonValue::Null);
    object["reference"] = TextOrNull(ok || kissed, ReferenceText(host.Stratum, host.ReferenceId));
    object["nts"] = host.Nts;
    object["nts_error"] = TextOrNull(host.NtsProblem.has_value(), host.NtsProblemText);
    object["verdict"] = name ? Text(std::string(*name)) : QJsonValue(QJsonValue::Null);
    return object;
}
} // namespace

QByteArray SurveyToJson(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    QJsonArray servers;
    for (std::size_t i = 0; i < hosts.size(); ++i)
        servers.append(HostToJson(hosts[i], verdict.Verdicts[i]));
    const auto figure = [&verdict](double value) {
        return verdict.Given() ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
    };

    QJsonObject object;
    object["servers"] = servers;
    object["asked"] = verdict.Asked;
    object["answered"] = verdict.Answered;
    object["agreeing"] = verdict.Agreeing;
    object["consensus_offset"] = figure(verdict.ConsensusOffset);
    object["consensus_spread"] = figure(verdict.ConsensusSpread);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace brisvander
