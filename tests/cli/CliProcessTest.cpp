// The installed shape of the program: a process with arguments, streams and
// an exit status. The process never holds the right to set the clock here,
// except in a user namespace of its own, where the kernel keeps the
// machine's clock from it.
#include "CapabilityClockControl.h"
#include "CliProcess.h"
#include "FakeSntpServer.h"
#include "ReportText.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <grp.h>
#include <sched.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::testsupport;

class CliProcessTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args, const std::function<void()>& prepare = {}, const QString& output = {})
    {
        return m_cli.Run(CliProgram(), args, prepare, output);
    }
    QString Port() const { return QString::number(m_server.Port()); }
    // The server counts on a thread of its own; at most five seconds.
    static void WaitForARequest(const FakeSntpServer& server)
    {
        for (int waited = 0; server.RequestCount() == 0 && waited < 5000; waited += 10)
            usleep(10000);
    }
    CliProcess m_cli;
    FakeSntpServer m_server;
};

TEST_F(CliProcessTest, HelpAndVersion)
{
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "brisvander-cli 1.1\n");

    // Named as the user knows it, not by the path it was started from.
    const CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage:\n  brisvander-cli info [HOST]")) << help.out.toStdString();
}

TEST_F(CliProcessTest, InfoUnderAGermanLocaleKeepsTheDecimalPoint)
{
    m_server.SetClockOffset(1.25);
    const CliRun info = Cli({"info", "127.0.0.1", "--port", QString::number(m_server.Port())});
    EXPECT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.startsWith("Verbinde mit SNTP Zeitserver: 127.0.0.1\nDiese Daten wurde vom NTP Server "
                                    "übertragen:\n\n"))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("Differenz zur Lokalzeit:\t1.2")) << info.out.toStdString();
    // The report and one line break; nothing about a series that was not asked for.
    EXPECT_TRUE(info.out.endsWith(" Sekunden.\n\n")) << info.out.toStdString();
    EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();
}

// Tests run without the clock right (the launcher takes it out of the
// bounding set where it can) and without a system bus, so the real
// program's sync can only fail here: for want of a bus, or, where not even
// root could get the right, for want of the right.
TEST_F(CliProcessTest, SyncWithoutTheRightOrATimeServiceIsAnOrdinaryFailure)
{
    const CliRun sync = Cli({"sync", "127.0.0.1", "--port", QString::number(m_server.Port())});
    EXPECT_EQ(sync.status, 2) << sync.err.toStdString();
    EXPECT_TRUE(sync.out.contains("Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n"));
    const FailureKind why = ClockRightOutOfReach() ? FailureKind::ClockRightOutOfReach : FailureKind::ClockNoBus;
    const std::string tail = "Sekunden.\n" + ReportClockOutcome(FailureOf(why)) + "\n";
    EXPECT_TRUE(sync.out.endsWith(tail.c_str())) << sync.out.toStdString();
}

// Started with every capability of a user namespace of its own, CAP_SYS_TIME
// among them, the program queries without the right in effect or permitted
// (the clock helper keeps it), and says so when the kernel, which keeps the
// machine's clock from that namespace, refuses the step.
TEST_F(CliProcessTest, StartedWithTheRightItQueriesWithoutItAndTellsTheKernelsRefusal)
{
    if (m_cli.Run("unshare", {"-U", "-r", "true"}).status != 0)
        GTEST_SKIP() << "user namespaces are off here";
    FakeSntpServer silent;
    silent.SetSilent(true);
    QProcess waiting;
    m_cli.Begin(waiting, "unshare", {"-U", "-r", CliProgram(), "info", "127.0.0.1", "--port",
                                    QString::number(silent.Port())});
    ASSERT_TRUE(waiting.waitForStarted(5000));
    WaitForARequest(silent);
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

    const CliRun sync = m_cli.Run("unshare", {"-U", "-r", CliProgram(), "sync", "127.0.0.1", "--port", Port(), "--json"});
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
    QFile hosts(m_cli.ConfigHome() + "/hosts");
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("::1 zeitgeber-v6.test\n");
    hosts.close();
    const QString script = QStringLiteral("mount --bind \"$1\" /etc/hosts && exec \"$2\" info zeitgeber-v6.test --port \"$3\"");
    const CliRun info = m_cli.Run("unshare", {"--mount", "sh", "-c", script, "sh", hosts.fileName(), CliProgram(),
                                              QString::number(server6.Port())});
    EXPECT_EQ(info.status, 0) << info.out.toStdString() << info.err.toStdString();
    EXPECT_TRUE(info.out.startsWith("Verbinde mit SNTP Zeitserver: zeitgeber-v6.test\nDiese Daten wurde"))
        << info.out.toStdString();
    EXPECT_EQ(server6.RequestCount(), 1);
}

// A result that was never written is never a success: a full device, a
// descriptor 1 closed before the start (the JSON must not land on another
// descriptor), a reader that has gone away (`brisvander-cli info | true`:
// a failed write and 74 with a word why, not a silent death by SIGPIPE).
TEST_F(CliProcessTest, AResultThatCannotBeWrittenExitsSeventyFour)
{
    const auto readerGone = [] {
        int ends[2];
        if (pipe(ends) == 0) {
            close(ends[0]);
            dup2(ends[1], STDOUT_FILENO);
            close(ends[1]);
        }
    };
    struct Case {
        const char* name;
        std::function<void()> prepare; // in the child, after QProcess set up its pipes
        QString output;
    };
    const Case cases[] = {{"full", {}, QFile::exists("/dev/full") ? "/dev/full" : ""},
                          {"closed", [] { close(STDOUT_FILENO); }, {}},
                          {"reader gone", readerGone, {}}};
    for (const Case& c : cases) {
        if (!c.prepare && c.output.isEmpty())
            continue; // no /dev/full here
        const CliRun run = Cli({"info", "127.0.0.1", "--port", Port(), "--json"}, c.prepare, c.output);
        EXPECT_EQ(run.status, 74) << c.name;
        // The system's own words follow, in the locale's language.
        EXPECT_TRUE(run.err.startsWith("brisvander-cli: the result could not be written to standard output: "))
            << c.name << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << c.name << ": " << run.err.toStdString();
    }
}

// While the program waits between two samples, its descriptor 1 is /dev/null
// opened for reading, not something Qt opened for itself in the gap.
TEST_F(CliProcessTest, AClosedOutputStaysTakenWhileTheProgramWaits)
{
    QProcess process;
    m_cli.Begin(process, CliProgram(), {"info", "127.0.0.1", "--port", Port(), "--samples", "2", "--interval", "1"},
                [] { close(STDOUT_FILENO); });
    ASSERT_TRUE(process.waitForStarted(5000));
    // The first request shows that the program is past its start-up.
    WaitForARequest(m_server);
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
    const CliRun run = Cli({"info", "127.0.0.1", "--port", Port()}, [] {
        close(STDIN_FILENO);
        close(STDERR_FILENO);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith("Verbinde mit SNTP Zeitserver: 127.0.0.1\n")) << run.out.toStdString();
}

// Without a host and without a usable store the default server is asked:
// the program runs in a network namespace of its own, so that lookup cannot
// leave the machine, and as an account that may not read what root can.
// Exits 120 when no namespace can be made, 121 when the account cannot be
// changed.
namespace {
std::function<void()> IsolatedAsNobody()
{
    const bool root = geteuid() == 0;
    return [root] {
        if (unshare(root ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET) != 0)
            _exit(120);
        if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(121);
    };
}
} // namespace

TEST_F(CliProcessTest, AnUnreadableStoreIsReportedBeforeTheDefaultIsAsked)
{
    const QString folder = m_cli.ConfigHome() + "/Quillmade";
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile store(folder + "/Brisvander.conf");
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("[Settings]\nHost=127.0.0.1\n");
    store.close();
    ASSERT_TRUE(store.setPermissions({}));
    for (const QString& path : {m_cli.ConfigHome(), folder})
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    const CliRun run = Cli({"info"}, IsolatedAsNobody());
    if (run.status == 120)
        GTEST_SKIP() << "no network namespace of its own can be made here";
    ASSERT_NE(run.status, 121) << "could not become nobody";
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("brisvander-cli: the settings store " + store.fileName().toUtf8() +
                                 " is unreadable; using ptbtime1.ptb.de\n"))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Verbinde mit SNTP Zeitserver: ptbtime1.ptb.de\n")) << run.out.toStdString();
}

// A watch runs until interrupted, then prints its summary and says by its
// status that answers came; every line is a JSON object of its own.
TEST_F(CliProcessTest, AWatchEndsCleanlyOnAnInterruptWithItsSummary)
{
    QProcess watch;
    m_cli.Begin(watch, CliProgram(), {"watch", "127.0.0.1", "--port", Port(), "--interval", "0.2", "--json"});
    ASSERT_TRUE(watch.waitForStarted(5000));
    for (int waited = 0; m_server.RequestCount() < 3 && waited < 10000; waited += 10)
        usleep(10000);
    ASSERT_GE(m_server.RequestCount(), 3);
    kill(static_cast<pid_t>(watch.processId()), SIGINT);
    ASSERT_TRUE(watch.waitForFinished(10000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();

    const QList<QByteArray> lines = watch.readAllStandardOutput().trimmed().split('\n');
    ASSERT_GE(lines.size(), 3);
    const QJsonObject summary = QJsonDocument::fromJson(lines.back()).object();
    EXPECT_TRUE(summary["summary"].toBool()) << lines.back().toStdString();
    EXPECT_EQ(summary["exchanges"].toInt(), lines.size() - 1);
    EXPECT_EQ(summary["answered"].toInt(), lines.size() - 1);
    const QJsonObject first = QJsonDocument::fromJson(lines.front()).object();
    EXPECT_EQ(first["command"].toString(), "watch");
    EXPECT_TRUE(first["success"].toBool()) << lines.front().toStdString();
    EXPECT_TRUE(first.contains("time") && first.contains("interleaved"));
    EXPECT_TRUE(QFile::exists(m_cli.StateHome() + "/brisvander/history.sqlite"));
}
