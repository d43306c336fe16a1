#include "CliSurvey.h"

#include "CliExitStatus.h"
#include "CliHistoryRecording.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "HostListFile.h"
#include "HostText.h"
#include "SurveyCommand.h"
#include "SurveyCsv.h"
#include "SurveyJson.h"
#include "SurveyTable.h"

#include <QFile>

namespace brisvander {

namespace {
enum class SurveyFormat { Text, Json, Csv };

struct SurveyRequest {
    std::vector<std::string> Hosts;
    SurveyPlan Plan;
    SurveyFormat Format = SurveyFormat::Text;
};

// The hosts of --list FILE appended to `hosts`; a line that cannot name a
// host is said on standard error and skipped. The usage error when the file
// cannot be read.
QString ReadListFile(const QString& path, std::vector<std::string>& hosts, CliOutput& output)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return "cannot read the host list " + path;
    const QByteArray text = file.readAll();
    const HostList list = ParseHostList(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    for (const HostListProblem& problem : list.Problems)
        output.Message("brisvander-cli: " + EscapeControlCharacters(path.toStdString()) + " line " +
                       std::to_string(problem.Line) + " names no host: " + EscapeControlCharacters(problem.Text) +
                       "\n");
    hosts.insert(hosts.end(), list.Hosts.begin(), list.Hosts.end());
    return {};
}

QString ReadSeriesOptions(const CliCommandLine& line, SurveyPlan& plan)
{
    if (line.IsSet("samples")) {
        const std::optional<int> count = ParseSampleCount(line.Value("samples"));
        if (!count || *count > MaxSurveySamples)
            return "invalid sample count: " + line.Value("samples") + " (expected 1-" +
                   QString::number(MaxSurveySamples) + " for a survey)";
        plan.Samples = *count;
    }
    if (line.IsSet("interval")) {
        const std::optional<std::chrono::milliseconds> interval = ParseInterval(line.Value("interval"));
        if (!interval || *interval < MinSurveyInterval)
            return "invalid interval: " + line.Value("interval") + " (expected seconds from 2 to 3600 for a survey)";
        plan.Interval = *interval;
    }
    return {};
}

// --nts or --nts-auto, with --nts-port and --nts-ca as for info.
QString ReadSurveyNtsOptions(const CliCommandLine& line, SurveyNts& nts)
{
    if (line.IsSet("nts") && line.IsSet("nts-auto"))
        return "--nts and --nts-auto exclude each other";
    nts.Mode = line.IsSet("nts")        ? SurveyNtsMode::Required
               : line.IsSet("nts-auto") ? SurveyNtsMode::WhereOffered
                                        : SurveyNtsMode::Off;
    if (nts.Mode == SurveyNtsMode::Off && (line.IsSet("nts-port") || line.IsSet("nts-ca")))
        return "--nts-port and --nts-ca need --nts or --nts-auto";
    return ReadKeyExchangeOptions(line, nts.KeyExchangePort, nts.ExtraCaFile);
}

QString ReadSurveyRequest(const CliCommandLine& line, SurveyRequest& request, CliOutput& output)
{
    if (line.IsSet("json") && line.IsSet("csv"))
        return "--json and --csv exclude each other";
    request.Format = line.IsSet("json") ? SurveyFormat::Json : line.IsSet("csv") ? SurveyFormat::Csv : SurveyFormat::Text;
    QString invalid = ReadPortOption(line, request.Plan.Port);
    if (invalid.isEmpty())
        invalid = ReadSeriesOptions(line, request.Plan);
    if (invalid.isEmpty())
        invalid = ReadSurveyNtsOptions(line, request.Plan.Nts);
    if (!invalid.isEmpty())
        return invalid;
    for (const QString& host : line.Arguments)
        request.Hosts.push_back(host.toStdString());
    return line.IsSet("list") ? ReadListFile(line.Value("list"), request.Hosts, output) : QString();
}

std::string Formatted(const SurveyCommandOutcome& outcome, SurveyFormat format)
{
    switch (format) {
    case SurveyFormat::Json: return SurveyToJson(outcome.Hosts, outcome.Verdict).toStdString() + "\n";
    case SurveyFormat::Csv: return SurveyToCsv(outcome.Hosts, outcome.Verdict);
    case SurveyFormat::Text: break;
    }
    return SurveyTableText(outcome.Hosts, outcome.Verdict) + KeyExchangeProblemLines(outcome.Hosts) + "\n" +
           ConsensusSentence(outcome.Verdict);
}
} // namespace

int SurveyExitStatus(const SurveyVerdict& verdict)
{
    if (verdict.Given())
        return ExitSuccess;
    return verdict.Answered == 0 ? ExitQueryFailed : ExitNoVerdict;
}

int RunSurveyCliCommand(const CliCommandLine& line, CliContext& context)
{
    SurveyRequest request;
    const QString invalid = ReadSurveyRequest(line, request, context.Output);
    if (!invalid.isEmpty())
        return ReportUsageError(context.Output, invalid);
    if (line.IsSet("list") && request.Hosts.empty())
        return ReportUsageError(context.Output, "the host list " + line.Value("list") + " names no host");
    const std::unique_ptr<BackgroundHistoryRecorder> history = StartCliHistory(line, context.Output);
    const SurveyCommandOutcome outcome = RunSurveyCommand(request.Hosts, request.Plan, history.get());
    context.Output.Result(Formatted(outcome, request.Format));
    return SurveyExitStatus(outcome.Verdict);
}

} // namespace brisvander
