#include "DriftFormat.h"

#include "CFormat.h"
#include "HostText.h"
#include "JsonText.h"

#include <QJsonArray>
#include <QJsonObject>

namespace brisvander {

namespace {
const char* const kTextRow = "%12s %10s %12s %10s %12s  %s\n";

std::string TextRow(const DriftEstimate& e, const std::string& server)
{
    return CFormat(kTextRow, CFormat("%+.3f", e.DriftPpm).c_str(), CFormat("%.3f", e.DriftPpmUncertainty).c_str(),
                   CFormat("%+.4f", e.SecondsPerDay).c_str(), CFormat("%lld", static_cast<long long>(e.Measurements)).c_str(),
                   CFormat("%.0f", e.SpanSeconds).c_str(), server.c_str());
}

QJsonObject EstimateJson(const DriftEstimate& e)
{
    QJsonObject object;
    object["drift_ppm"] = e.DriftPpm;
    object["drift_ppm_uncertainty"] = e.DriftPpmUncertainty;
    object["seconds_per_day"] = e.SecondsPerDay;
    object["measurements"] = static_cast<qint64>(e.Measurements);
    object["span_seconds"] = e.SpanSeconds;
    return object;
}
} // namespace

std::string DriftReportText(const DriftReport& report)
{
    if (!report.Combined)
        return "Keine Schätzung der Drift: sie braucht mindestens 5 Messungen eines Servers über mindestens eine "
               "Minute, ohne dass die Uhr dazwischen gestellt wurde.\n";
    // Widths count bytes: "±" takes two, so its head gets one blank less.
    std::string text = CFormat(kTextRow, "Drift (ppm)", "  ± (ppm)", "s pro Tag", "Messungen", "Spanne (s)", "Server");
    for (const ServerDrift& server : report.Servers)
        text += TextRow(server.Estimate, EscapeControlCharacters(server.Host));
    return text + TextRow(*report.Combined, "(alle zusammen)");
}

std::string DriftReportJson(const DriftReport& report)
{
    QJsonArray servers;
    for (const ServerDrift& server : report.Servers) {
        QJsonObject object = EstimateJson(server.Estimate);
        object["host"] = QString::fromStdString(server.Host);
        servers.append(object);
    }
    QJsonObject document;
    document["servers"] = servers;
    document["combined"] = report.Combined ? QJsonValue(EstimateJson(*report.Combined)) : QJsonValue(QJsonValue::Null);
    return CompactJsonLine(document);
}

} // namespace brisvander
