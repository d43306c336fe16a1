#pragma once
// The command line read once for every command of brisvander-cli: one parser
// that knows every option of every command, the command word, and a check
// that each option given belongs to that command. Each command then reads
// its own options from what this found (CliOptions.h for info and sync).
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <span>

namespace brisvander {

enum class CliAction { Run, Help, Version, UsageError };

// One option as the command line spells it.
struct CliOptionSpec {
    const char* Name;      // without the leading "--"
    const char* ValueName; // null: a switch without a value
};

// One command word and the options it takes (names of CliOptionSpec).
struct CliCommandSpec {
    const char* Name;
    std::span<const char* const> Options;
};

// What the command line says, before any command has looked at its options.
struct CliCommandLine {
    CliAction Action = CliAction::UsageError;
    QString Command;         // the command word, when Run
    QStringList Arguments;   // positional arguments after the command word
    QString Message;         // the usage error, when UsageError
    QSet<QString> Given;     // options given, by name
    QVariantMap Values;      // their values (the last one given), for options that take one

    bool IsSet(const char* option) const { return Given.contains(QString::fromLatin1(option)); }
    QString Value(const char* option) const { return Values.value(QString::fromLatin1(option)).toString(); }
};

// Every option any command takes, and every command.
std::span<const CliOptionSpec> CliOptionCatalog();
std::span<const CliCommandSpec> CliCommandCatalog();

// `arguments` includes the program name, as QCoreApplication::arguments()
// gives it. --help and --version win over everything else; an unknown
// command word or an option the command does not take is a usage error.
CliCommandLine ReadCliCommandLine(const QStringList& arguments);

} // namespace brisvander
