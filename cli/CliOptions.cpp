#include "CliOptions.h"

#include "CliHelp.h"

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

// The options that follow the command and host; empty when all are valid.
QString ReadRunOptions(const CliCommandLine& line, CliOptions& options)
{
    QString invalid = ReadPortOption(line, options.Port);
    if (!invalid.isEmpty())
        return invalid;
    options.Json = line.IsSet("json");
    options.SamplesGiven = line.IsSet("samples");
    if (options.SamplesGiven) {
        const std::optional<int> count = ParseSampleCount(line.Value("samples"));
        if (!count)
            return "invalid sample count: " + line.Value("samples") + " (expected 1-" +
                   QString::number(MaxSamples) + ")";
        options.Series.Count = *count;
    }
    if (line.IsSet("interval")) {
        const std::optional<std::chrono::milliseconds> interval = ParseInterval(line.Value("interval"));
        if (!interval)
            return "invalid interval: " + line.Value("interval") + " (expected seconds from 0.2 to 3600)";
        options.Series.Interval = *interval;
    }
    return ReadNtsOptions(line, options.Nts);
}
} // namespace

QString ReadPortOption(const CliCommandLine& line, int& port)
{
    if (!line.IsSet("port"))
        return {};
    const std::optional<int> parsed = ParsePort(line.Value("port"));
    if (!parsed)
        return "invalid port: " + line.Value("port") + " (expected 1-65535)";
    port = *parsed;
    return {};
}

QString ReadKeyExchangeOptions(const CliCommandLine& line, std::uint16_t& port, std::string& caFile)
{
    if (line.IsSet("nts-port")) {
        const std::optional<int> parsed = ParsePort(line.Value("nts-port"));
        if (!parsed)
            return "invalid NTS key exchange port: " + line.Value("nts-port") + " (expected 1-65535)";
        port = static_cast<std::uint16_t>(*parsed);
    }
    if (line.IsSet("nts-ca")) {
        if (line.Value("nts-ca").isEmpty())
            return "--nts-ca needs a file";
        caFile = line.Value("nts-ca").toStdString();
    }
    return {};
}

QString ReadNtsOptions(const CliCommandLine& line, NtsOptions& nts)
{
    if (line.IsSet("nts") && line.IsSet("nts-auto"))
        return "--nts and --nts-auto exclude each other";
    nts.Enabled = line.IsSet("nts") || line.IsSet("nts-auto");
    nts.FallBackToPlain = line.IsSet("nts-auto");
    if (!nts.Enabled && (line.IsSet("nts-port") || line.IsSet("nts-ca") || line.IsSet("nts-ignore-cert-time")))
        return "--nts-port, --nts-ca and --nts-ignore-cert-time need --nts or --nts-auto";
    nts.IgnoreCertificatePeriod = line.IsSet("nts-ignore-cert-time");
    return ReadKeyExchangeOptions(line, nts.KeyExchangePort, nts.ExtraCaFile);
}

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
    return QueryOptionsFrom(ReadCliCommandLine(arguments));
}

CliOptions QueryOptionsFrom(const CliCommandLine& line)
{
    CliOptions options;
    options.Action = line.Action;
    options.Message = line.Message;
    if (line.Action == CliAction::Help)
        options.Message = QString::fromUtf8(CliHelpText());
    if (line.Action != CliAction::Run)
        return options;
    if (line.Arguments.size() > 1)
        return UsageError("too many arguments: " + line.Arguments.mid(1).join(' '));
    options.Command = line.Command == "sync" ? ReportCommand::Sync : ReportCommand::Info;
    if (line.Arguments.size() == 1)
        options.Host = line.Arguments[0];
    const QString invalid = ReadRunOptions(line, options);
    return invalid.isEmpty() ? options : UsageError(invalid);
}

} // namespace brisvander
