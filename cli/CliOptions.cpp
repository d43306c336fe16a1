#include "CliOptions.h"

#include "CliHelp.h"

#include <QCommandLineParser>

namespace brisvander {

namespace {
constexpr std::chrono::milliseconds kLongestInterval{3600 * 1000};

CliOptions UsageError(const QString& message)
{
    CliOptions options;
    options.Action = CliAction::UsageError;
    options.Message = message;
    return options;
}

// Plain decimal digits, at most `maxDigits` of them.
std::optional<long long> ParseDigits(QStringView text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    long long value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// --nts and its companions, which mean nothing without it.
QString ReadNtsOptions(const QCommandLineParser& parser, NtsOptions& nts)
{
    nts.Enabled = parser.isSet("nts");
    if (!nts.Enabled && (parser.isSet("nts-port") || parser.isSet("nts-ca")))
        return "--nts-port and --nts-ca need --nts";
    if (parser.isSet("nts-port")) {
        const std::optional<int> port = ParsePort(parser.value("nts-port"));
        if (!port)
            return "invalid NTS key exchange port: " + parser.value("nts-port") + " (expected 1-65535)";
        nts.KeyExchangePort = static_cast<std::uint16_t>(*port);
    }
    if (parser.isSet("nts-ca")) {
        if (parser.value("nts-ca").isEmpty())
            return "--nts-ca needs a file";
        nts.ExtraCaFile = parser.value("nts-ca").toStdString();
    }
    return {};
}

// The options that follow the command and host; empty when all are valid.
QString ReadRunOptions(const QCommandLineParser& parser, CliOptions& options)
{
    const std::optional<int> port = ParsePort(parser.value("port"));
    if (!port)
        return "invalid port: " + parser.value("port") + " (expected 1-65535)";
    options.Port = *port;
    options.Json = parser.isSet("json");
    options.SamplesGiven = parser.isSet("samples");
    if (options.SamplesGiven) {
        const std::optional<int> count = ParseSampleCount(parser.value("samples"));
        if (!count)
            return "invalid sample count: " + parser.value("samples") + " (expected 1-" +
                   QString::number(MaxSamples) + ")";
        options.Series.Count = *count;
    }
    if (parser.isSet("interval")) {
        const std::optional<std::chrono::milliseconds> interval = ParseInterval(parser.value("interval"));
        if (!interval)
            return "invalid interval: " + parser.value("interval") + " (expected seconds from 0.2 to 3600)";
        options.Series.Interval = *interval;
    }
    return ReadNtsOptions(parser, options.Nts);
}
} // namespace

std::optional<int> ParsePort(const QString& text)
{
    const std::optional<long long> value = ParseDigits(text, 5);
    if (!value || *value < 1 || *value > 65535)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<int> ParseSampleCount(const QString& text)
{
    const std::optional<long long> value = ParseDigits(text, 2);
    if (!value || *value < 1 || *value > MaxSamples)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::chrono::milliseconds> ParseInterval(const QString& text)
{
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = QStringView(text).left(point < 0 ? text.size() : point);
    const QStringView fraction = point < 0 ? QStringView() : QStringView(text).mid(point + 1);
    const std::optional<long long> seconds = ParseDigits(whole, 4);
    if (!seconds || (point >= 0 && !ParseDigits(fraction, 9)))
        return std::nullopt;
    long long milliseconds = *seconds * 1000;
    for (qsizetype i = 0, scale = 100; i < fraction.size() && scale > 0; ++i, scale /= 10)
        milliseconds += (fraction[i].unicode() - u'0') * scale;
    const std::chrono::milliseconds interval(milliseconds);
    if (interval < MinSampleInterval || interval > kLongestInterval)
        return std::nullopt;
    return interval;
}

CliOptions ParseCliArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOptions({
        QCommandLineOption(QStringList{"h", "help"}),
        QCommandLineOption(QStringList{"v", "version"}),
        QCommandLineOption("port", {}, "PORT", "123"),
        QCommandLineOption("json"),
        QCommandLineOption("samples", {}, "N"),
        QCommandLineOption("interval", {}, "SECONDS"),
        QCommandLineOption("nts"),
        QCommandLineOption("nts-port", {}, "PORT"),
        QCommandLineOption("nts-ca", {}, "FILE"),
    });
    if (!parser.parse(arguments))
        return UsageError(parser.errorText());
    if (parser.isSet("help")) {
        CliOptions options;
        options.Action = CliAction::Help;
        options.Message = QString::fromUtf8(CliHelpText());
        return options;
    }
    if (parser.isSet("version")) {
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
    const QString invalid = ReadRunOptions(parser, options);
    return invalid.isEmpty() ? options : UsageError(invalid);
}

} // namespace brisvander
