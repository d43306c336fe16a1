#include "CliHistory.h"

#include "CliExitStatus.h"
#include "CliRun.h"
#include "DriftFormat.h"
#include "FailureText.h"
#include "HistoryDrift.h"
#include "HistoryFormat.h"
#include "HistoryReader.h"
#include "HistoryStore.h"
#include "HostText.h"

#include <QDateTime>
#include <QFileInfo>

namespace brisvander {

namespace {
struct HistoryRequest {
    HistoryFilter Filter;
    ListingFormat Format = ListingFormat::Text;
    bool Drift = false;
};

QString ReadHistoryRequest(const CliCommandLine& line, HistoryRequest& request)
{
    if (!line.Arguments.isEmpty())
        return "too many arguments: " + line.Arguments.join(' ');
    if (line.IsSet("json") && line.IsSet("csv"))
        return "--json and --csv exclude each other";
    request.Drift = line.IsSet("drift");
    if (request.Drift && line.IsSet("csv"))
        return "--drift gives text or --json, not --csv";
    request.Format = line.IsSet("json") ? ListingFormat::JsonLines
                     : line.IsSet("csv") ? ListingFormat::Csv
                                         : ListingFormat::Text;
    if (line.IsSet("since")) {
        request.Filter.SinceMicroseconds = ParseSinceDate(line.Value("since"));
        if (!request.Filter.SinceMicroseconds)
            return "invalid date: " + line.Value("since") + " (expected YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])";
    }
    if (line.IsSet("server"))
        request.Filter.Host = TrimmedHost(line.Value("server").toStdString());
    return {};
}

// Where the history could not be read: said once, status 1.
int NotRead(CliOutput& output, const std::string& path, HistoryStatus status)
{
    output.Message("brisvander-cli: " + EscapeControlCharacters(FailureText(HistoryReadFailure(path, status))) +
                   "\n");
    return ExitQueryFailed;
}

int ListHistory(const HistoryStore* store, const HistoryRequest& request, CliOutput& output)
{
    output.Result(ListingHeader(request.Format));
    if (store == nullptr)
        return ExitSuccess;
    const HistoryStatus status = ForEachEntry(*store, request.Filter, [&](const HistoryEntry& entry) {
        output.Result(ListingLine(request.Format, entry));
        return true;
    });
    return status == HistoryStatus::Ok ? ExitSuccess : NotRead(output, DefaultHistoryPath(), status);
}

int ReportDrift(const HistoryStore* store, const HistoryRequest& request, CliOutput& output)
{
    HistoryDriftResult drift;
    if (store != nullptr)
        drift = EstimateDriftFromHistory(*store, request.Filter);
    if (drift.Status != HistoryStatus::Ok)
        return NotRead(output, DefaultHistoryPath(), drift.Status);
    output.Result(request.Format == ListingFormat::JsonLines ? DriftReportJson(drift.Report)
                                                             : DriftReportText(drift.Report));
    return ExitSuccess;
}
} // namespace

std::optional<std::int64_t> ParseSinceDate(const QString& text)
{
    QString iso = text.trimmed();
    if (iso.size() > 10 && iso[10] == u' ')
        iso[10] = u'T';
    const QDateTime when = QDateTime::fromString(iso, Qt::ISODate);
    if (!when.isValid())
        return std::nullopt;
    return when.toMSecsSinceEpoch() * 1000;
}

int RunHistoryCliCommand(const CliCommandLine& line, CliContext& context)
{
    HistoryRequest request;
    if (const QString invalid = ReadHistoryRequest(line, request); !invalid.isEmpty())
        return ReportUsageError(context.Output, invalid);
    const std::string path = DefaultHistoryPath();
    // Reading makes no file: where there is none, nothing was recorded yet.
    HistoryStore store;
    const bool exists = !path.empty() && QFileInfo::exists(QString::fromStdString(path));
    if (exists) {
        if (const HistoryStatus status = store.Open(path); status != HistoryStatus::Ok)
            return NotRead(context.Output, path, status);
    }
    const HistoryStore* opened = exists ? &store : nullptr;
    return request.Drift ? ReportDrift(opened, request, context.Output)
                         : ListHistory(opened, request, context.Output);
}

} // namespace brisvander
