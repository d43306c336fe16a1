#include "HistoryFormat.h"

#include "CFormat.h"
#include "HistoryText.h"
#include "HostText.h"
#include "JsonText.h"

#include <QJsonObject>
#include <QJsonValue>

#include <vector>

namespace brisvander {

namespace {
const char* const kTextRow = "%-27s  %-12s %15s %15s %7s %6s  %-9s %s\n";
const char* const kCsvHeader = "time,type,host,address,port,source,success,error,clock_offset,roundtrip_delay,"
                               "stratum,root_delay,root_dispersion,nts,interleaved,step,way\r\n";

template <typename T>
std::string OrEmpty(const std::optional<T>& value, const char* format)
{
    return value ? CFormat(format, *value) : std::string();
}

std::string Features(const MeasurementRecord& record)
{
    if (record.Nts && record.Interleaved)
        return "NTS,IL";
    return record.Nts ? "NTS" : record.Interleaved ? "IL" : "";
}

std::string ServerText(const MeasurementRecord& record)
{
    std::string server = EscapeControlCharacters(record.Host);
    if (record.Address)
        server += " (" + EscapeControlCharacters(*record.Address) + ")";
    if (record.Port != 123)
        server += CFormat(" Port %d", record.Port);
    return server;
}

std::string TextLine(const MeasurementRecord& r)
{
    const std::string none = "-";
    return CFormat(kTextRow, UtcTimeText(r.UnixMicroseconds, ' ').c_str(),
                   std::string(MeasurementSourceName(r.Source)).c_str(),
                   r.OffsetSeconds ? CFormat("%+.9f", *r.OffsetSeconds).c_str() : none.c_str(),
                   r.DelaySeconds ? CFormat("%.9f", *r.DelaySeconds).c_str() : none.c_str(),
                   r.Stratum ? CFormat("%d", *r.Stratum).c_str() : none.c_str(),
                   CFormat("%lld", static_cast<long long>(r.Error)).c_str(), Features(r).c_str(),
                   ServerText(r).c_str());
}

std::string TextLine(const ClockStepRecord& step)
{
    return CFormat(kTextRow, UtcTimeText(step.UnixMicroseconds, ' ').c_str(), "Uhr gestellt",
                   CFormat("%+.9f", step.StepSeconds).c_str(), "-", "-", "-",
                   step.Way == StepWay::Service ? "Dienst" : "Fähigkeit", EscapeControlCharacters(step.Host).c_str());
}

std::string CsvField(const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (char c : field)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i)
        row += (i == 0 ? "" : ",") + CsvField(fields[i]);
    return row + "\r\n";
}

std::string CsvLine(const MeasurementRecord& r)
{
    return CsvRow({UtcTimeText(r.UnixMicroseconds), "measurement", EscapeControlCharacters(r.Host),
                   r.Address ? EscapeControlCharacters(*r.Address) : "", CFormat("%d", r.Port),
                   std::string(MeasurementSourceName(r.Source)), r.Succeeded ? "1" : "0",
                   CFormat("%lld", static_cast<long long>(r.Error)), OrEmpty(r.OffsetSeconds, "%.9f"),
                   OrEmpty(r.DelaySeconds, "%.9f"), OrEmpty(r.Stratum, "%d"), OrEmpty(r.RootDelaySeconds, "%.9f"),
                   OrEmpty(r.RootDispersionSeconds, "%.9f"), r.Nts ? "1" : "0", r.Interleaved ? "1" : "0", "", ""});
}

std::string CsvLine(const ClockStepRecord& step)
{
    return CsvRow({UtcTimeText(step.UnixMicroseconds), "step", EscapeControlCharacters(step.Host), "", "", "", "", "", "",
                   "", "", "", "", "", "", CFormat("%.9f", step.StepSeconds), std::string(StepWayName(step.Way))});
}

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

template <typename T>
QJsonValue OrNull(const std::optional<T>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

std::string JsonLine(const MeasurementRecord& r)
{
    QJsonObject object;
    object["type"] = "measurement";
    object["time"] = Text(UtcTimeText(r.UnixMicroseconds));
    object["host"] = Text(r.Host);
    object["address"] = r.Address ? QJsonValue(Text(*r.Address)) : QJsonValue(QJsonValue::Null);
    object["port"] = r.Port;
    object["source"] = Text(MeasurementSourceName(r.Source));
    object["success"] = r.Succeeded;
    object["error"] = static_cast<qint64>(r.Error);
    object["clock_offset"] = OrNull(r.OffsetSeconds);
    object["roundtrip_delay"] = OrNull(r.DelaySeconds);
    object["stratum"] = OrNull(r.Stratum);
    object["root_delay"] = OrNull(r.RootDelaySeconds);
    object["root_dispersion"] = OrNull(r.RootDispersionSeconds);
    object["nts"] = r.Nts;
    object["interleaved"] = r.Interleaved;
    return CompactJsonLine(object);
}

std::string JsonLine(const ClockStepRecord& step)
{
    QJsonObject object;
    object["type"] = "step";
    object["time"] = Text(UtcTimeText(step.UnixMicroseconds));
    object["host"] = Text(step.Host);
    object["step"] = step.StepSeconds;
    object["way"] = Text(StepWayName(step.Way));
    return CompactJsonLine(object);
}
} // namespace

std::string ListingHeader(ListingFormat format)
{
    switch (format) {
    case ListingFormat::Text:
        return CFormat(kTextRow, "Zeit (UTC)", "Art", "Versatz (s)", "Verzögerung (s)", "Stratum", "Fehler",
                       "Merkmale", "Server");
    case ListingFormat::Csv:
        return kCsvHeader;
    case ListingFormat::JsonLines:
        break;
    }
    return {};
}

std::string ListingLine(ListingFormat format, const HistoryEntry& entry)
{
    return std::visit(
        [format](const auto& row) {
            switch (format) {
            case ListingFormat::Text:
                return TextLine(row);
            case ListingFormat::Csv:
                return CsvLine(row);
            case ListingFormat::JsonLines:
                break;
            }
            return JsonLine(row);
        },
        entry);
}

} // namespace brisvander
