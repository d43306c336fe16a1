// The installed shape of the program: a process with arguments, streams and
// an exit status. The process never holds the right to set the clock here,
// except in a user namespace of its own, where the kernel keeps the
// machine's clock from it.
#include "CapabilityClockControl.h"
#include "FakeSntpServer.h"
#include "ReportText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <grp.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// `prepare` runs in the child before the program starts; `standardOutput`
// names a file for its output instead of a pipe.
Outcome Start(const QString& program, const QStringList& args, const QString& configHome,
              const std::function<void()>& prepare = {}, const QString& standardOutput = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configHome);
    env.insert("LC_ALL", "de_DE.UTF-8");
    // Where the system has no German locale, the test set-up built one into
    // the build tree; only the child looks there.
    if (QFileInfo(BRISVANDER_TEST_LOCALE_DIR "/de_DE.UTF-8").isDir())
        env.insert("LOCPATH", BRISVANDER_TEST_LOCALE_DIR);
    process.setProcessEnvironment(env);
    if (prepare)
        process.setChildProcessModifier(prepare);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    process.start(program, args);
    Outcome outcome;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}
} // namespace

class CliProcessTest : public ::testing::Test {
protected:
    Outcome Cli(const QStringList& args, const std::function<void()>& prepare = {}, const QString& output = {})
    {
        return Start(BRISVANDER_CLI_PATH, args, m_config.path(), prepare, output);
    }
    QString Port() const { return QString::number(m_server.Port()); }
    QTemporaryDir m_config;
    FakeSntpServer m_server;
};

TEST_F(CliProcessTest, HelpVersionAndUsage)
{
    const Outcome version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "brisvander-cli 1.1\n");

    const Outcome help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--port")) << help.out.toStdString();
    // Named as the user knows it, not by the path it was started from; "Usage:" once.
    EXPECT_TRUE(help.out.startsWith("Usage:\n  brisvander-cli info [HOST]")) << help.out.toStdString();
    EXPECT_EQ(help.out.count("Usage:"), 1);
    EXPECT_FALSE(help.out.contains(BRISVANDER_CLI_PATH));

    const Outcome usage = Cli({"info", "--port", "70000"});
    EXPECT_EQ(usage.status, 64);
    EXPECT_TRUE(usage.out.isEmpty());
    EXPECT_TRUE(usage.err.contains("invalid port")) << usage.err.toStdString();
}

TEST_F(CliProcessTest, InfoUnderAGermanLocaleKeepsTheDecimalPoint)
{
    m_server.SetClockOffset(1.25);
    const Outcome info = Cli({"info", "127.0.0.1", "--port", QString::number(m_server.Port())});
    EXPECT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.startsWith("Verbinde mit SNTP Zeitserver: 127.0.0.1\nDiese Daten wurde vom NTP Server "
                                    "übertragen:\n\n"))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("Differenz zur Lokalzeit:\t1.2")) << info.out.toStdString();
    EXPECT_TRUE(info.out.endsWith(" Sekunden.\n\n"));
}

// Tests run without the clock right (the launcher takes it out of the
// bounding set where it can) and without a system bus, so the real
// program's sync can only fail here: for want of a bus, or, where not even
// root could get the right, for want of the right.
TEST_F(CliProcessTest, SyncWithoutTheRightOrATimeServiceIsAnOrdinaryFailure)
{
    const Outcome sync = Cli({"sync", "127.0.0.1", "--port", QString::number(m_server.Port())});
    EXPECT_EQ(sync.status, 2) << sync.err.toStdString();
    EXPECT_TRUE(sync.out.contains("Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n"));
    const ClockSetting why = ClockRightOutOfReach() ? ClockSetting::RightOutOfReach : ClockSetting::NoBus;
    const std::string tail = "Sekunden.\n" + ReportClockOutcome(why) + "\n";
    EXPECT_TRUE(sync.out.endsWith(tail.c_str())) << sync.out.toStdString();
}

// Started with every capability of a user namespace of its own, CAP_SYS_TIME
// among them, the program queries without the right in effect or permitted
// (the clock helper keeps it), and says so when the kernel, which keeps the
// machine's clock from that namespace, refuses the step.
TEST_F(CliProcessTest, StartedWithTheRightItQueriesWithoutItAndTellsTheKernelsRefusal)
{
    if (Start("unshare", {"-U", "-r", "true"}, m_config.path()).status != 0)
        GTEST_SKIP() << "user namespaces are off here";
    FakeSntpServer silent;
    silent.SetSilent(true);
    QProcess waiting;
    waiting.start("unshare", {"-U", "-r", BRISVANDER_CLI_PATH, "info", "127.0.0.1", "--port",
                              QString::number(silent.Port())});
    ASSERT_TRUE(waiting.waitForStarted(5000));
    for (int waited = 0; silent.RequestCount() == 0 && waited < 5000; waited += 10)
        usleep(10000);
    QFile status(QString("/proc/%1/status").arg(waiting.processId()));
    const QByteArray lines = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    waiting.kill();
    waiting.waitForFinished();
    ASSERT_EQ(silent.RequestCount(), 1) << "the query never started";
    for (const char* set : {"CapEff:", "CapPrm:"}) {
        const qsizetype at = lines.indexOf(set);
        const quint64 bits = at < 0 ? 0 : lines.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16);
        EXPECT_EQ(bits >> 25 & 1, 0u) << set << " holds CAP_SYS_TIME during the query";
        EXPECT_NE(bits >> 21 & 1, 0u) << set << " lacks CAP_SYS_ADMIN: not the namespace's full set";
    }

    const Outcome sync = Start("unshare", {"-U", "-r", BRISVANDER_CLI_PATH, "sync", "127.0.0.1", "--port", Port(),
                                           "--json"}, m_config.path());
    EXPECT_EQ(sync.status, 2) << sync.err.toStdString();
    EXPECT_TRUE(sync.out.contains("\"clock_error\":\"kernel-refused\"")) << sync.out.toStdString();
}

// A name whose only address is IPv6 works. The name comes from a hosts file
// of the test's own, put in place of /etc/hosts in a private mount
// namespace of the child alone (root only), so no name server is asked.
TEST_F(CliProcessTest, ANameWithOnlyAnIPv6AddressIsQueriedOverIPv6)
{
    FakeSntpServer server6(LoopbackFamily::IPv6);
    if (server6.Port() == 0)
        GTEST_SKIP() << "::1 cannot be bound here";
    if (geteuid() != 0)
        GTEST_SKIP() << "a private /etc/hosts needs a mount namespace, which needs root";
    QFile hosts(m_config.filePath("hosts"));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("::1 zeitgeber-v6.test\n");
    hosts.close();
    const QString script = QStringLiteral("mount --bind \"$1\" /etc/hosts && exec \"$2\" info zeitgeber-v6.test --port \"$3\"");
    const Outcome info = Start("unshare", {"--mount", "sh", "-c", script, "sh", hosts.fileName(), BRISVANDER_CLI_PATH,
                                           QString::number(server6.Port())},
                               m_config.path());
    EXPECT_EQ(info.status, 0) << info.out.toStdString() << info.err.toStdString();
    EXPECT_TRUE(info.out.startsWith("Verbinde mit SNTP Zeitserver: zeitgeber-v6.test\nDiese Daten wurde"))
        << info.out.toStdString();
    EXPECT_EQ(server6.RequestCount(), 1);
}

// A result that was never written is never a success.
TEST_F(CliProcessTest, AFullOutputExitsSeventyFour)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not there";
    for (const QStringList& args : {QStringList{"info", "127.0.0.1", "--port", Port(), "--json"},
                                    QStringList{"info", "127.0.0.1", "--port", Port()}, QStringList{"--version"}}) {
        const Outcome run = Cli(args, {}, "/dev/full");
        EXPECT_EQ(run.status, 74) << args.join(' ').toStdString();
        // The system's own words follow, in the locale's language.
        EXPECT_TRUE(run.err.startsWith("brisvander-cli: the result could not be written to standard output: "))
            << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

TEST_F(CliProcessTest, AClosedOutputExitsSeventyFourAndTheResultGoesNowhereElse)
{
    // Closed in the child after QProcess set up its pipes, so the program starts without descriptor 1.
    const Outcome run = Cli({"info", "127.0.0.1", "--port", Port(), "--json"}, [] { close(STDOUT_FILENO); });
    EXPECT_EQ(run.status, 74);
    EXPECT_TRUE(run.err.startsWith("brisvander-cli: the result could not be written to standard output: "))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("success")) << "the JSON must not land on another descriptor";
}

// A reader that has gone away (`brisvander-cli info | true`): a failed
// write and 74 with a word why, not a silent death by SIGPIPE.
TEST_F(CliProcessTest, AReaderThatHasGoneAwayExitsSeventyFour)
{
    const Outcome run = Cli({"info", "127.0.0.1", "--port", Port()}, [] {
        int ends[2];
        if (pipe(ends) == 0) {
            close(ends[0]);
            dup2(ends[1], STDOUT_FILENO);
            close(ends[1]);
        }
    });
    EXPECT_EQ(run.status, 74);
    EXPECT_TRUE(run.err.startsWith("brisvander-cli: the result could not be written to standard output: "))
        << run.err.toStdString();
}

// While the program waits between two samples, its descriptor 1 is /dev/null
// opened for reading, not something Qt opened for itself in the gap.
TEST_F(CliProcessTest, AClosedOutputStaysTakenWhileTheProgramWaits)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", m_config.path());
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([] { close(STDOUT_FILENO); });
    process.start(BRISVANDER_CLI_PATH, {"info", "127.0.0.1", "--port", Port(), "--samples", "2", "--interval", "1"});
    ASSERT_TRUE(process.waitForStarted(5000));
    // The first request shows that the program is past its start-up.
    for (int waited = 0; m_server.RequestCount() == 0 && waited < 5000; waited += 10)
        usleep(10000);
    ASSERT_EQ(m_server.RequestCount(), 1);
    const QString fd = QString("/proc/%1/fd/1").arg(process.processId());
    const QString target = QFile::symLinkTarget(fd);
    QFile info(QString("/proc/%1/fdinfo/1").arg(process.processId()));
    const QByteArray fdinfo = info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(target.toStdString(), "/dev/null");
    const qsizetype flags = fdinfo.indexOf("flags:");
    ASSERT_GE(flags, 0) << fdinfo.toStdString();
    const int mode = fdinfo.mid(flags + 6, fdinfo.indexOf('\n', flags) - flags - 6).trimmed().toInt(nullptr, 8);
    EXPECT_EQ(mode & O_ACCMODE, O_RDONLY) << fdinfo.toStdString();
    EXPECT_EQ(process.exitCode(), 74);
}

TEST_F(CliProcessTest, ClosedInputAndErrorDoNotDisturbTheResult)
{
    const Outcome run = Cli({"info", "127.0.0.1", "--port", Port()}, [] {
        close(STDIN_FILENO);
        close(STDERR_FILENO);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith("Verbinde mit SNTP Zeitserver: 127.0.0.1\n")) << run.out.toStdString();
}

TEST_F(CliProcessTest, TheRealProgramTakesSamplesAndWaits)
{
    const Outcome run = Cli({"info", "127.0.0.1", "--port", Port(), "--samples", "2", "--interval", "0.2"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(m_server.RequestCount(), 2);
    EXPECT_TRUE(run.out.endsWith(" Sekunden.\n\n2 Messungen durchgeführt, verwendet wurde Nr. 1 (kleinste "
                                 "Verzögerung).\n") ||
                run.out.endsWith(" Sekunden.\n\n2 Messungen durchgeführt, verwendet wurde Nr. 2 (kleinste "
                                 "Verzögerung).\n"))
        << run.out.toStdString();
}

// Without a host and without a usable store the default server is asked:
// the program runs in a network namespace of its own, so that lookup cannot
// leave the machine. `asNobody` also makes it an account that may not read
// what root can. Exits 120 when no namespace can be made, 121 when the
// account cannot be changed.
namespace {
std::function<void()> Isolated(bool asNobody)
{
    const bool root = geteuid() == 0;
    return [root, asNobody] {
        if (unshare(root ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET) != 0)
            _exit(120);
        if (asNobody && root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(121);
    };
}
} // namespace

// A pipe under the store's name would block a reader for ever.
TEST_F(CliProcessTest, APipeAsTheStoreIsReportedNotOpened)
{
    const QString folder = m_config.path() + "/Quillmade";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString store = folder + "/Brisvander.conf";
    ASSERT_EQ(mkfifo(QFile::encodeName(store).constData(), 0600), 0);
    const Outcome run = Cli({"info"}, Isolated(false));
    if (run.status == 120)
        GTEST_SKIP() << "no network namespace of its own can be made here";
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("brisvander-cli: the settings store " + QFile::encodeName(store) +
                                 " is not a file; using ptbtime1.ptb.de\n"))
        << run.err.toStdString();
}

// Run as an account that may not read the store (root reads every file).
TEST_F(CliProcessTest, AnUnreadableStoreIsReportedBeforeTheDefaultIsAsked)
{
    const QString folder = m_config.path() + "/Quillmade";
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile store(folder + "/Brisvander.conf");
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("[Settings]\nHost=127.0.0.1\n");
    store.close();
    ASSERT_TRUE(store.setPermissions({}));
    for (const QString& path : {m_config.path(), folder})
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    const Outcome run = Cli({"info"}, Isolated(true));
    if (run.status == 120)
        GTEST_SKIP() << "no network namespace of its own can be made here";
    ASSERT_NE(run.status, 121) << "could not become nobody";
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("brisvander-cli: the settings store " + store.fileName().toUtf8() +
                                 " is unreadable; using ptbtime1.ptb.de\n"))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Verbinde mit SNTP Zeitserver: ptbtime1.ptb.de\n")) << run.out.toStdString();
}
