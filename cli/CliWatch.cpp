#include "CliWatch.h"

#include "CliExitStatus.h"
#include "CliHistoryRecording.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "CliSignalStop.h"
#include "CliWatchText.h"

#include <memory>

namespace brisvander {

namespace {
struct WatchRequest {
    std::optional<QString> Host; // absent: the stored host, else the default one
    int Port = NtpDefaultPort;
    WatchPlan Plan;
    bool Json = false;
};

QString ReadWatchRequest(const CliCommandLine& line, WatchRequest& request)
{
    if (line.Arguments.size() > 1)
        return "too many arguments: " + line.Arguments.mid(1).join(' ');
    if (line.Arguments.size() == 1)
        request.Host = line.Arguments[0];
    request.Json = line.IsSet("json");
    if (line.IsSet("interval")) {
        const std::optional<std::chrono::milliseconds> interval = ParseInterval(line.Value("interval"));
        if (!interval)
            return "invalid interval: " + line.Value("interval") + " (expected seconds from 0.2 to 3600)";
        request.Plan.Interval = *interval;
    }
    if (line.IsSet("count")) {
        request.Plan.Count = ParseWatchCount(line.Value("count"));
        if (!request.Plan.Count)
            return "invalid count: " + line.Value("count") + " (expected a whole number from 1)";
    }
    QString invalid = ReadPortOption(line, request.Port);
    return invalid.isEmpty() ? ReadNtsOptions(line, request.Plan.Nts) : invalid;
}

int WatchExitStatus(const WatchSummary& summary) { return summary.Answered > 0 ? ExitSuccess : ExitQueryFailed; }
} // namespace

std::optional<int> ParseWatchCount(const QString& text)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value >= 1 ? std::optional<int>(value) : std::nullopt;
}

int RunWatchCliCommand(const CliCommandLine& line, CliContext& context)
{
    WatchRequest request;
    if (const QString invalid = ReadWatchRequest(line, request); !invalid.isEmpty())
        return ReportUsageError(context.Output, invalid);
    const std::string host = HostToQuery(request.Host, context.Output).toStdString();
    std::unique_ptr<SignalWatchStop> signalStop;
    if (context.Stop == nullptr)
        signalStop = std::make_unique<SignalWatchStop>();
    WatchStop& stop = context.Stop != nullptr ? *context.Stop : *signalStop;
    const std::unique_ptr<BackgroundHistoryRecorder> history = StartCliHistory(line, context.Output);
    SntpClient client(context.Clock);
    WatchSession session(host, request.Port, client, request.Plan.Nts, history.get());
    if (!request.Json)
        context.Output.Result(WatchHeading(session.QueriedHost(), request.Plan.Interval));
    const WatchSummary summary = RunWatch(session, request.Plan, stop, [&](const WatchMeasurement& measurement) {
        context.Output.Result(request.Json ? WatchMeasurementToJson(session, measurement).toStdString() + "\n"
                                           : WatchLine(measurement, LocalTimeText(measurement.UnixMicroseconds)));
        // A reader that went away ends the watch.
        if (!context.Output.Flush() && signalStop)
            signalStop->Request();
    });
    context.Output.Result(request.Json ? WatchSummaryToJson(session, summary).toStdString() + "\n"
                                       : WatchSummaryText(summary));
    return WatchExitStatus(summary);
}

} // namespace brisvander
