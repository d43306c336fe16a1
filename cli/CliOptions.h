#pragma once
// What the command line asks for. Parsing is separate from running so that
// every usage error can be tested without a network or a clock.
#include "ReportText.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisvander {

enum class CliAction { Run, Help, Version, UsageError };

struct CliOptions {
    CliAction Action = CliAction::UsageError;
    ReportCommand Command = ReportCommand::Info;
    std::optional<QString> Host;   // absent: stored host, else the default host
    int Port = 123;
    bool Json = false;
    QString Message;               // the usage error, or the help text
};

// `arguments` includes the program name, as QCoreApplication::arguments() gives it.
CliOptions ParseCliArguments(const QStringList& arguments);

// 1 to 65535 written as plain decimal digits; anything else is empty.
std::optional<int> ParsePort(const QString& text);

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitQueryFailed = 1;
inline constexpr int ExitClockNotSet = 2;
inline constexpr int ExitUsage = 64;
QString CliSynopsis();

} // namespace brisvander
