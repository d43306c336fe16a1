#include "CliCommandLine.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstring>

namespace brisvander {

namespace {
constexpr CliOptionSpec s_options[] = {
    {"port", "PORT"},
    {"json", nullptr},
    {"samples", "N"},
    {"interval", "SECONDS"},
    {"nts", nullptr},
    {"nts-auto", nullptr},
    {"nts-port", "PORT"},
    {"nts-ca", "FILE"},
    {"nts-ignore-cert-time", nullptr},
    {"list", "FILE"},
    {"csv", nullptr},
    {"count", "N"},
    {"since", "DATE"},
    {"server", "HOST"},
    {"drift", nullptr},
    {"no-history", nullptr},
};

constexpr const char* s_queryOptions[] = {"port",     "json",     "samples", "interval",
                                          "nts",      "nts-auto", "nts-port", "nts-ca",
                                          "nts-ignore-cert-time", "no-history"};

constexpr const char* s_surveyOptions[] = {"list",     "port",     "samples", "interval", "json",      "csv",
                                           "nts",      "nts-auto", "nts-port", "nts-ca", "no-history"};

constexpr const char* s_watchOptions[] = {"port", "interval", "count", "nts", "nts-port", "nts-ca", "json",
                                          "no-history"};

constexpr const char* s_historyOptions[] = {"since", "server", "json", "csv", "drift", "no-history"};

constexpr const char* s_forgetOptions[] = {"no-history"};

constexpr CliCommandSpec s_commands[] = {
    {"info", s_queryOptions},
    {"sync", s_queryOptions},
    {"survey", s_surveyOptions},
    {"watch", s_watchOptions},
    {"history", s_historyOptions},
    {"nts-forget", s_forgetOptions},
};

CliCommandLine UsageError(const QString& message)
{
    CliCommandLine line;
    line.Action = CliAction::UsageError;
    line.Message = message;
    return line;
}

const CliCommandSpec* FindCommand(const QString& word)
{
    for (const CliCommandSpec& command : s_commands) {
        if (word == QLatin1String(command.Name))
            return &command;
    }
    return nullptr;
}

bool Takes(const CliCommandSpec& command, const QString& option)
{
    return std::any_of(command.Options.begin(), command.Options.end(),
                       [&option](const char* name) { return option == QLatin1String(name); });
}

QString CommandWords()
{
    QStringList words;
    for (const CliCommandSpec& command : s_commands)
        words.append(QString::fromLatin1(command.Name));
    if (words.size() > 1)
        return words.mid(0, words.size() - 1).join(", ") + " or " + words.last();
    return words.join("");
}
} // namespace

std::span<const CliOptionSpec> CliOptionCatalog() { return s_options; }
std::span<const CliCommandSpec> CliCommandCatalog() { return s_commands; }

CliCommandLine ReadCliCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOptions({QCommandLineOption(QStringList{"h", "help"}), QCommandLineOption(QStringList{"v", "version"})});
    for (const CliOptionSpec& option : s_options) {
        parser.addOption(option.ValueName != nullptr
                             ? QCommandLineOption(option.Name, {}, option.ValueName)
                             : QCommandLineOption(option.Name));
    }
    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    CliCommandLine line;
    if (parser.isSet("help") || parser.isSet("version")) {
        line.Action = parser.isSet("help") ? CliAction::Help : CliAction::Version;
        return line;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return UsageError("missing command: " + CommandWords());
    const CliCommandSpec* command = FindCommand(positional[0]);
    if (command == nullptr)
        return UsageError("unknown command: " + positional[0]);
    for (const CliOptionSpec& option : s_options) {
        const QString name = QString::fromLatin1(option.Name);
        if (!parser.isSet(name))
            continue;
        if (!Takes(*command, name))
            return UsageError("--" + name + " is not an option of " + positional[0]);
        line.Given.insert(name);
        if (option.ValueName != nullptr)
            line.Values.insert(name, parser.value(name));
    }
    line.Action = CliAction::Run;
    line.Command = positional[0];
    line.Arguments = positional.mid(1);
    return line;
}

} // namespace brisvander
