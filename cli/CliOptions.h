#pragma once
// What the command line asks for. Parsing is separate from running so that
// every usage error can be tested without a network or a clock.
#include "CliCommandLine.h"
#include "NtsQuery.h"
#include "ReportText.h"
#include "SampleSeries.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

struct CliOptions {
    CliAction Action = CliAction::UsageError;
    ReportCommand Command = ReportCommand::Info;
    std::optional<QString> Host;   // absent: stored host, else the default host
    int Port = 123;
    bool Json = false;
    SeriesPlan Series;             // --samples and --interval
    bool SamplesGiven = false;     // --samples was on the command line: the text says how the series went
    NtsOptions Nts;                // --nts or --nts-auto, --nts-port, --nts-ca, --nts-ignore-cert-time;
                                   // no store folder: the run names it
    QString Message;               // the usage error, or the help text
};

// `arguments` includes the program name, as QCoreApplication::arguments() gives it.
CliOptions ParseCliArguments(const QStringList& arguments);
// The options of info and sync from a command line already read.
CliOptions QueryOptionsFrom(const CliCommandLine& line);

// Option readers the commands share; each returns the usage error, empty
// when the option is absent or valid (and then stored).
QString ReadPortOption(const CliCommandLine& line, int& port);      // --port
// --nts or --nts-auto, --nts-port, --nts-ca, --nts-ignore-cert-time
QString ReadNtsOptions(const CliCommandLine& line, NtsOptions& nts);
// --nts-port into `port` and --nts-ca into `caFile`, each left as it is
// when not given; the usage error, or empty.
QString ReadKeyExchangeOptions(const CliCommandLine& line, std::uint16_t& port, std::string& caFile);

// 1 to 65535 written as plain decimal digits; anything else is empty.
std::optional<int> ParsePort(const QString& text);
// 1 to MaxSamples, plain decimal digits.
std::optional<int> ParseSampleCount(const QString& text);
// Seconds as plain decimal digits with an optional fraction ("2", "0.5"),
// cut to whole milliseconds; from MinSampleInterval to an hour.
std::optional<std::chrono::milliseconds> ParseInterval(const QString& text);

} // namespace brisvander
