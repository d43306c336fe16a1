#include "CliRun.h"

#include "CliJson.h"
#include "CliOptions.h"
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
} // namespace

int RunCli(const QStringList& arguments, ClockControl& clock, std::string& out, std::string& err)
{
    const CliOptions options = ParseCliArguments(arguments);
    switch (options.Action) {
    case CliAction::Help:
        out += options.Message.toStdString();
        return ExitSuccess;
    case CliAction::Version:
        out += std::string("brisvander-cli ") + g_strVersion + "\n";
        return ExitSuccess;
    case CliAction::UsageError:
        err += "brisvander-cli: " + options.Message.toStdString() + "\nUsage:\n" + CliSynopsis().toStdString();
        return ExitUsage;
    case CliAction::Run:
        break;
    }

    const QString host = options.Host.value_or(StoredOrDefaultHost());
    SntpClient client(clock);
    const TimeCommandOutcome outcome = RunTimeCommand(options.Command, host.toStdString(), options.Port, client);
    if (options.Json)
        out += OutcomeToJson(options.Command, host, options.Port, outcome).toStdString() + "\n";
    else
        out += outcome.Report + "\n";
    return ExitStatusOf(options.Command, outcome);
}

} // namespace brisvander
