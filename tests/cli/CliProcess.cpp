#include "CliProcess.h"

#include <QFileInfo>

namespace brisvander::testsupport {

QString CliProgram() { return QStringLiteral(BRISVANDER_CLI_PATH); }

CliProcess::CliProcess() : m_environment(QProcessEnvironment::systemEnvironment())
{
    m_environment.insert("XDG_CONFIG_HOME", m_config.path());
    // Kept NTS sessions and the like go beside the settings, never into the account's own state.
    m_environment.insert("XDG_STATE_HOME", m_config.path() + "/state");
    m_environment.insert("LC_ALL", "de_DE.UTF-8");
    // Where the system has no German locale, the test set-up built one into
    // the build tree; only the child looks there.
    if (QFileInfo(BRISVANDER_TEST_LOCALE_DIR "/de_DE.UTF-8").isDir())
        m_environment.insert("LOCPATH", BRISVANDER_TEST_LOCALE_DIR);
}

void CliProcess::Begin(QProcess& process, const QString& program, const QStringList& args,
                       const std::function<void()>& prepare) const
{
    process.setProcessEnvironment(m_environment);
    if (prepare)
        process.setChildProcessModifier(prepare);
    process.start(program, args);
}

CliRun CliProcess::Run(const QString& program, const QStringList& args, const std::function<void()>& prepare,
                       const QString& standardOutput) const
{
    QProcess process;
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    Begin(process, program, args, prepare);
    CliRun run;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace brisvander::testsupport
