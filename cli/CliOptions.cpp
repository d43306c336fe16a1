#include "CliOptions.h"

#include <QCommandLineParser>

namespace brisvander {

namespace {
const char* const kSynopsis =
    "  brisvander-cli info [HOST] [--port PORT] [--json]\n"
    "  brisvander-cli sync [HOST] [--port PORT] [--json]\n"
    "  brisvander-cli --help | --version\n";

CliOptions UsageError(const QString& message)
{
    CliOptions options;
    options.Action = CliAction::UsageError;
    options.Message = message;
    return options;
}
} // namespace

std::optional<int> ParsePort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

CliOptions ParseCliArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Queries an SNTP time server once and shows the report; \"sync\" then sets the system clock by the "
        "measured offset.\n\nUsage:\n" + QString::fromLatin1(kSynopsis));
    const QCommandLineOption helpOption({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption versionOption({"v", "version"}, "Show the program version and exit.");
    const QCommandLineOption portOption("port", "Server UDP port (1-65535, default 123).", "PORT", "123");
    const QCommandLineOption jsonOption("json", "Print one JSON object instead of the German report.");
    parser.addOptions({helpOption, versionOption, portOption, jsonOption});
    parser.addPositionalArgument("command", "info: query and report; sync: query, report, set the clock.",
                                 "info|sync");
    parser.addPositionalArgument("host", "Server host name or dotted IPv4 address (default: the stored host).",
                                 "[HOST]");

    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        CliOptions options;
        options.Action = CliAction::Help;
        options.Message = parser.helpText();
        return options;
    }
    if (parser.isSet(versionOption)) {
        CliOptions options;
        options.Action = CliAction::Version;
        return options;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return UsageError("missing command: info or sync");
    if (positional.size() > 2)
        return UsageError("too many arguments: " + positional.mid(2).join(' '));

    CliOptions options;
    options.Action = CliAction::Run;
    if (positional[0] == "info")
        options.Command = ReportCommand::Info;
    else if (positional[0] == "sync")
        options.Command = ReportCommand::Sync;
    else
        return UsageError("unknown command: " + positional[0]);
    if (positional.size() == 2)
        options.Host = positional[1];

    const std::optional<int> port = ParsePort(parser.value(portOption));
    if (!port)
        return UsageError("invalid port: " + parser.value(portOption) + " (expected 1-65535)");
    options.Port = *port;
    options.Json = parser.isSet(jsonOption);
    return options;
}

QString CliSynopsis() { return QString::fromLatin1(kSynopsis); }

} // namespace brisvander
