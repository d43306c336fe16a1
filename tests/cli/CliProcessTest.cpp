// The installed shape of the program: a process with arguments, streams and
// an exit status. The process never holds the right to set the clock here.
#include "FakeSntpServer.h"
#include "ReportText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome Start(const QString& program, const QStringList& args, const QString& configHome)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configHome);
    env.insert("LC_ALL", "de_DE.UTF-8");
    process.setProcessEnvironment(env);
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
    Outcome Cli(const QStringList& args) { return Start(BRISVANDER_CLI_PATH, args, m_config.path()); }
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
// bounding set) and without a system bus, so the real program's sync can
// only fail here, and says that it needs administrator rights.
TEST_F(CliProcessTest, SyncWithoutTheRightOrATimeServiceIsAnOrdinaryFailure)
{
    const Outcome sync = Cli({"sync", "127.0.0.1", "--port", QString::number(m_server.Port())});
    EXPECT_EQ(sync.status, 2) << sync.err.toStdString();
    EXPECT_TRUE(sync.out.contains("Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n"));
    const std::string tail = "Sekunden.\n" + ReportClockOutcome(ClockSetting::NoRight) + "\n";
    EXPECT_TRUE(sync.out.endsWith(tail.c_str())) << sync.out.toStdString();
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
