#include "CliJson.h"

#include "CFormat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace brisvander {

std::string IsoUtcText(const NtpTimestamp& timestamp)
{
    const SYSTEMTIME st = timestamp.ToSystemTime();
    return CFormat("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", int{st.wYear}, int{st.wMonth}, int{st.wDay},
                   int{st.wHour}, int{st.wMinute}, int{st.wSecond}, int{st.wMilliseconds});
}

QByteArray OutcomeToJson(ReportCommand command, const QString& host, int port, const TimeCommandOutcome& outcome)
{
    const bool ok = outcome.QuerySucceeded;
    const SntpResult& r = outcome.Result;
    auto stamp = [ok](const NtpTimestamp& t) {
        return ok ? QJsonValue(QString::fromStdString(IsoUtcText(t))) : QJsonValue(QJsonValue::Null);
    };
    auto number = [ok](double value) { return ok ? QJsonValue(value) : QJsonValue(QJsonValue::Null); };

    QJsonObject object;
    object["command"] = command == ReportCommand::Sync ? "sync" : "info";
    object["host"] = host;
    object["port"] = port;
    object["success"] = ok;
    object["error"] = static_cast<qint64>(outcome.Error);
    object["leap_indicator"] = number(r.LeapIndicator);
    object["stratum"] = number(r.Stratum);
    object["originate"] = stamp(r.OriginateTimestamp);
    object["receive"] = stamp(r.ReceiveTimestamp);
    object["transmit"] = stamp(r.TransmitTimestamp);
    object["destination"] = stamp(r.DestinationTimestamp);
    object["roundtrip_delay"] = number(r.RoundtripDelay);
    object["clock_offset"] = number(r.ClockOffset);
    if (command == ReportCommand::Sync)
        object["clock_set"] = outcome.ClockAttempted ? QJsonValue(outcome.ClockSet) : QJsonValue(QJsonValue::Null);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace brisvander
