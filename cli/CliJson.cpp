#include "CliJson.h"

#include "CFormat.h"
#include "FailureText.h"
#include "HistoryText.h"

#include <QJsonArray>
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

namespace {
// Why the clock was not set, as a stable token for scripts; null when it was.
QJsonValue ClockErrorToken(const std::optional<Failure>& failure)
{
    if (!failure)
        return QJsonValue(QJsonValue::Null);
    const char* token = nullptr;
    switch (failure->Kind) {
    case FailureKind::ClockNotAuthorised: token = "denied"; break;
    case FailureKind::ClockAutomaticSyncOn: token = "ntp-active"; break;
    case FailureKind::ClockNoBus: token = "no-bus"; break;
    case FailureKind::ClockNoService: token = "no-service"; break;
    case FailureKind::ClockNoAgent: token = "no-agent"; break;
    // An earlier request still unanswered is the same unknown as this one's.
    case FailureKind::ClockNoAnswer:
    case FailureKind::ClockStillPending: token = "no-answer"; break;
    case FailureKind::ClockServiceGone: token = "service-gone"; break;
    case FailureKind::ClockNoRight:
    case FailureKind::ClockRightOutOfReach: token = "no-right"; break;
    // The system refused the new time: with the right held, or for any other reason.
    default: token = "kernel-refused"; break;
    }
    return QJsonValue(QLatin1String(token));
}

// Whether this run made a key exchange or a kept session served it; null without a session.
QJsonValue NtsKeyExchangeToken(NtsSessionSource source)
{
    switch (source) {
    case NtsSessionSource::KeyExchange: return QJsonValue(QLatin1String("fresh"));
    case NtsSessionSource::Stored: return QJsonValue(QLatin1String("stored"));
    case NtsSessionSource::None: break;
    }
    return QJsonValue(QJsonValue::Null);
}

QJsonArray SamplesToJson(const std::vector<SampleOutcome>& samples)
{
    QJsonArray array;
    for (const SampleOutcome& sample : samples) {
        const auto number = [&sample](double value) {
            return sample.Succeeded ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
        };
        QJsonObject object;
        object["roundtrip_delay"] = number(sample.Result.RoundtripDelay);
        object["clock_offset"] = number(sample.Result.ClockOffset);
        object["error"] = static_cast<qint64>(sample.Error);
        object["interleaved"] = sample.Succeeded && sample.Result.Interleaved;
        array.append(object);
    }
    return array;
}

// The figures of one exchange; nulls when it failed.
void ExchangeFields(QJsonObject& object, bool ok, const SntpResult& r)
{
    auto stamp = [ok](const NtpTimestamp& t) {
        return ok ? QJsonValue(QString::fromStdString(IsoUtcText(t))) : QJsonValue(QJsonValue::Null);
    };
    auto number = [ok](double value) { return ok ? QJsonValue(value) : QJsonValue(QJsonValue::Null); };
    object["leap_indicator"] = number(r.LeapIndicator);
    object["stratum"] = number(r.Stratum);
    object["originate"] = stamp(r.OriginateTimestamp);
    object["receive"] = stamp(r.ReceiveTimestamp);
    object["transmit"] = stamp(r.TransmitTimestamp);
    object["destination"] = stamp(r.DestinationTimestamp);
    object["roundtrip_delay"] = number(r.RoundtripDelay);
    object["clock_offset"] = number(r.ClockOffset);
    object["interleaved"] = ok && r.Interleaved;
}

QJsonValue OrNull(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject WatchedServer(const WatchSession& session)
{
    QJsonObject object;
    object["command"] = "watch";
    object["host"] = QString::fromStdString(session.QueriedHost());
    object["port"] = session.QueriedPort();
    return object;
}
} // namespace

QByteArray OutcomeToJson(ReportCommand command, const TimeCommandOutcome& outcome)
{
    QJsonObject object;
    object["command"] = command == ReportCommand::Sync ? "sync" : "info";
    object["host"] = QString::fromStdString(outcome.QueriedHost);
    // The port the exchanges went to: with NTS, the one the key exchange named.
    object["port"] = outcome.QueriedPort;
    object["success"] = outcome.QuerySucceeded;
    object["error"] = static_cast<qint64>(outcome.Error);
    ExchangeFields(object, outcome.QuerySucceeded, outcome.Result);
    object["samples"] = SamplesToJson(outcome.Samples);
    object["chosen"] = outcome.Chosen ? QJsonValue(static_cast<qint64>(*outcome.Chosen)) : QJsonValue(QJsonValue::Null);
    object["nts"] = outcome.Authenticated;
    object["nts_server"] = outcome.NtsServer.empty() ? QJsonValue(QJsonValue::Null)
                                                     : QJsonValue(QString::fromStdString(outcome.NtsServer));
    // Why NTS failed, or why "when offered" went without it.
    const std::string& ntsError = outcome.NtsFailure.empty() ? outcome.NtsNotUsed : outcome.NtsFailure;
    object["nts_error"] = ntsError.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(ntsError));
    object["nts_key_exchange"] = NtsKeyExchangeToken(outcome.NtsSession);
    object["nts_cookies_left"] = outcome.NtsCookiesLeft ? QJsonValue(static_cast<qint64>(*outcome.NtsCookiesLeft))
                                                        : QJsonValue(QJsonValue::Null);
    if (command == ReportCommand::Sync) {
        object["clock_set"] = outcome.ClockAttempted ? QJsonValue(outcome.ClockSet) : QJsonValue(QJsonValue::Null);
        object["clock_error"] = outcome.ClockAttempted ? ClockErrorToken(outcome.ClockFailure) : QJsonValue(QJsonValue::Null);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray WatchMeasurementToJson(const WatchSession& session, const WatchMeasurement& measurement)
{
    const SampleOutcome& sample = measurement.Sample;
    QJsonObject object = WatchedServer(session);
    object["time"] = QString::fromStdString(UtcTimeText(measurement.UnixMicroseconds));
    object["success"] = sample.Succeeded;
    object["error"] = static_cast<qint64>(sample.Succeeded ? 0 : sample.Error);
    ExchangeFields(object, sample.Succeeded, sample.Result);
    object["nts"] = sample.Succeeded && !session.NtsServer().empty();
    object["nts_server"] = session.NtsServer().empty() ? QJsonValue(QJsonValue::Null)
                                                       : QJsonValue(QString::fromStdString(session.NtsServer()));
    object["nts_error"] = measurement.NtsProblem
                              ? QJsonValue(QString::fromStdString(FailureText(*measurement.NtsProblem)))
                              : QJsonValue(QJsonValue::Null);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray WatchSummaryToJson(const WatchSession& session, const WatchSummary& summary)
{
    QJsonObject object = WatchedServer(session);
    object["summary"] = true;
    object["exchanges"] = summary.Exchanges;
    object["answered"] = summary.Answered;
    object["offset_min"] = OrNull(summary.OffsetMin);
    object["offset_median"] = OrNull(summary.OffsetMedian);
    object["offset_max"] = OrNull(summary.OffsetMax);
    object["jitter"] = OrNull(summary.Jitter);
    const auto drift = [&summary](double DriftEstimate::*field) {
        return summary.Drift ? QJsonValue((*summary.Drift).*field) : QJsonValue(QJsonValue::Null);
    };
    object["drift_ppm"] = drift(&DriftEstimate::DriftPpm);
    object["drift_ppm_uncertainty"] = drift(&DriftEstimate::DriftPpmUncertainty);
    object["seconds_per_day"] = drift(&DriftEstimate::SecondsPerDay);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace brisvander
