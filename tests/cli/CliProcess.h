#pragma once
// The real brisvander-cli as a process: a settings folder of its own, the
// German locale, and what it printed and how it ended.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace brisvander::testsupport {

// The program as built.
QString CliProgram();

struct CliRun {
    int status = -1; // -1: killed by a signal, or still running after 20 s
    QByteArray out;
    QByteArray err;
};

class CliProcess {
public:
    CliProcess();

    // Set for every later run.
    void SetVariable(const QString& name, const QString& value) { m_environment.insert(name, value); }
    // Runs the program with `args` to its end.
    CliRun Run(const QStringList& args) const { return Run(CliProgram(), args); }
    // Runs `program` (brisvander-cli, a copy, or a wrapper such as unshare);
    // `prepare` runs in the child before it starts, `standardOutput` names a
    // file for its output instead of a pipe.
    CliRun Run(const QString& program, const QStringList& args, const std::function<void()>& prepare = {},
               const QString& standardOutput = {}) const;
    // Starts it in the same environment and returns at once.
    void Begin(QProcess& process, const QString& program, const QStringList& args,
               const std::function<void()>& prepare = {}) const;
    // XDG_CONFIG_HOME of every run.
    QString ConfigHome() const { return m_config.path(); }
    // XDG_STATE_HOME of every run, inside ConfigHome(); made by the program when it keeps something.
    QString StateHome() const { return m_config.path() + "/state"; }

private:
    QTemporaryDir m_config;
    QProcessEnvironment m_environment;
};

} // namespace brisvander::testsupport
