#include "CliRun.h"

#include "CliExitStatus.h"
#include "CliHelp.h"
#include "CliHistory.h"
#include "CliHistoryRecording.h"
#include "CliJson.h"
#include "CliContext.h"
#include "CliNtsForget.h"
#include "CliOptions.h"
#include "CliSurvey.h"
#include "CliWatch.h"
#include "HostText.h"
#include "NtsSessionStore.h"
#include "SettingsKeys.h"
#include "StoredHost.h"
#include "TimeCommand.h"

namespace brisvander {

namespace {
int ExitStatusOf(ReportCommand command, const TimeCommandOutcome& outcome)
{
    if (!outcome.QuerySucceeded)
        return ExitQueryFailed;
    if (command == ReportCommand::Sync && !outcome.ClockSet)
        return ExitClockNotSet;
    return ExitSuccess;
}

// Said on standard error before the default server is asked instead.
std::string StoreProblem(const StoredHost& stored)
{
    if (stored.FromStore)
        return {};
    const char* why = nullptr;
    switch (stored.Store) {
    case SettingsStoreStatus::Absent:
    case SettingsStoreStatus::Read:
        return {};
    case SettingsStoreStatus::NotAFile:
        why = "not a file";
        break;
    case SettingsStoreStatus::Unreadable:
        why = "unreadable";
        break;
    case SettingsStoreStatus::Malformed:
        why = "not a settings file";
        break;
    }
    return "brisvander-cli: the settings store " + EscapeControlCharacters(stored.StorePath.toStdString()) + " is " +
           why + "; using " + EscapeControlCharacters(stored.Host.toStdString()) + "\n";
}

// Info and Abgleichen: one exchange or a series, the report or JSON.
int RunQueryCommand(const CliCommandLine& line, CliContext& context)
{
    const CliOptions options = QueryOptionsFrom(line);
    if (options.Action == CliAction::UsageError)
        return ReportUsageError(context.Output, options.Message);
    const QString host = HostToQuery(options.Host, context.Output);
    const std::unique_ptr<BackgroundHistoryRecorder> history = StartCliHistory(line, context.Output);
    SntpClient client(context.Clock);
    TimeCommandOptions run;
    run.Series = options.Series;
    run.Nts = options.Nts;
    run.Nts.StoreFolder = DefaultNtsStoreFolder();
    run.Pause = context.Pause;
    run.History = history.get();
    const TimeCommandOutcome outcome = RunTimeCommand(options.Command, host.toStdString(), options.Port, client, run);
    for (const std::string& warning : outcome.Warnings)
        context.Output.Message("brisvander-cli: " + EscapeControlCharacters(warning) + "\n");
    if (options.Json) {
        context.Output.Result(OutcomeToJson(options.Command, outcome).toStdString() + "\n");
    } else {
        context.Output.Result(outcome.Report + "\n");
        if (options.SamplesGiven)
            context.Output.Result(ReportSampleSummary(outcome.Samples, options.Series.Count, outcome.Chosen,
                                                      outcome.CookiesRanOut) +
                                  "\n");
    }
    return ExitStatusOf(options.Command, outcome);
}
} // namespace

QString HostToQuery(const std::optional<QString>& host, CliOutput& output)
{
    if (host)
        return *host;
    const StoredHost stored = LookUpStoredHost();
    output.Message(StoreProblem(stored));
    return stored.Host;
}

int ReportUsageError(CliOutput& output, const QString& message)
{
    output.Message("brisvander-cli: " + EscapeControlCharacters(message.toStdString()) + "\nUsage:\n" +
                   CliSynopsis());
    return ExitUsage;
}

int RunCli(const QStringList& arguments, ClockControl& clock, CliOutput& output, const SamplePause& pause,
           WatchStop* stop)
{
    const CliCommandLine line = ReadCliCommandLine(arguments);
    switch (line.Action) {
    case CliAction::Help:
        output.Result(CliHelpText());
        return ExitSuccess;
    case CliAction::Version:
        output.Result(std::string("brisvander-cli ") + g_strVersion + "\n");
        return ExitSuccess;
    case CliAction::UsageError:
        return ReportUsageError(output, line.Message);
    case CliAction::Run:
        break;
    }
    CliContext context{clock, output, pause, stop};
    if (line.Command == "survey")
        return RunSurveyCliCommand(line, context);
    if (line.Command == "watch")
        return RunWatchCliCommand(line, context);
    if (line.Command == "history")
        return RunHistoryCliCommand(line, context);
    if (line.Command == "nts-forget")
        return RunNtsForgetCliCommand(line, context);
    return RunQueryCommand(line, context);
}

} // namespace brisvander
