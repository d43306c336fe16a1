#include "CliRun.h"

#include "CliExitStatus.h"
#include "CliHelp.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "HostText.h"
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

QString HostToQuery(const CliOptions& options, CliOutput& output)
{
    if (options.Host)
        return *options.Host;
    const StoredHost stored = LookUpStoredHost();
    output.Message(StoreProblem(stored));
    return stored.Host;
}
} // namespace

int RunCli(const QStringList& arguments, ClockControl& clock, CliOutput& output, const SamplePause& pause)
{
    const CliOptions options = ParseCliArguments(arguments);
    switch (options.Action) {
    case CliAction::Help:
        output.Result(options.Message.toStdString());
        return ExitSuccess;
    case CliAction::Version:
        output.Result(std::string("brisvander-cli ") + g_strVersion + "\n");
        return ExitSuccess;
    case CliAction::UsageError:
        output.Message("brisvander-cli: " + EscapeControlCharacters(options.Message.toStdString()) + "\nUsage:\n" +
                       CliSynopsis());
        return ExitUsage;
    case CliAction::Run:
        break;
    }

    const QString host = HostToQuery(options, output);
    SntpClient client(clock);
    TimeCommandOptions run;
    run.Series = options.Series;
    run.Nts = options.Nts;
    run.Pause = pause;
    const TimeCommandOutcome outcome = RunTimeCommand(options.Command, host.toStdString(), options.Port, client, run);
    if (options.Json) {
        output.Result(OutcomeToJson(options.Command, outcome).toStdString() + "\n");
    } else {
        output.Result(outcome.Report + "\n");
        if (options.SamplesGiven)
            output.Result(ReportSampleSummary(outcome.Samples, options.Series.Count, outcome.Chosen,
                                              outcome.CookiesRanOut) +
                          "\n");
    }
    return ExitStatusOf(options.Command, outcome);
}

} // namespace brisvander
