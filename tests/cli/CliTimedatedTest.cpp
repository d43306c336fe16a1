// The installed program without the clock right, pointed at a private bus
// through DBUS_SYSTEM_BUS_ADDRESS: sync asks the timedated double there and
// says what came of it, in its report and its exit status.
#include "ReportText.h"
#include "TimedatedFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <regex>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct Outcome {
    int status = -1;
    std::string out;
};

class CliTimedatedTest : public TimedatedFixture<> {
protected:
    Outcome Sync(const QStringList& answers)
    {
        std::string whyNot;
        TimedatedDouble timedated;
        EXPECT_TRUE(timedated.Start(m_bus.Address(), answers, whyNot)) << whyNot;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_config.path());
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_bus.Address());
        process.setProcessEnvironment(env);
        process.start(BRISVANDER_CLI_PATH, {"sync", "127.0.0.1", "--port", QString::number(m_server.Port())});
        Outcome outcome;
        if (!process.waitForFinished(15000)) {
            process.kill();
            process.waitForFinished();
            return outcome;
        }
        outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.out = process.readAllStandardOutput().toStdString();
        m_calls = timedated.Calls();
        return outcome;
    }

    QTemporaryDir m_config;
    std::vector<TimedatedDouble::Call> m_calls;
};

TEST_F(CliTimedatedTest, SyncSetsTheDoublesClockByTheOffsetItPrints)
{
    m_server.SetClockOffset(-3.25);
    const Outcome sync = Sync({"ok"});
    EXPECT_EQ(sync.status, 0) << sync.out;
    EXPECT_TRUE(sync.out.ends_with("Sekunden.\nZeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.\n")) << sync.out;
    std::smatch offset;
    ASSERT_TRUE(std::regex_search(sync.out, offset, std::regex("Differenz zur Lokalzeit:\t(-?[0-9]+\\.[0-9]{6})")));
    ASSERT_EQ(m_calls.size(), 1u);
    EXPECT_NEAR(static_cast<double>(m_calls[0].Microseconds), std::stod(offset[1].str()) * 1e6, 1.0);
    EXPECT_NEAR(static_cast<double>(m_calls[0].Microseconds), -3.25e6, 5e4);
    EXPECT_TRUE(m_calls[0].Relative && m_calls[0].Interactive && m_calls[0].InteractiveAuthorizationAllowed);
}

TEST_F(CliTimedatedTest, EachRefusalPrintsItsLineAndExitsTwo)
{
    const std::pair<const char*, ClockSetting> cases[] = {
        {"org.freedesktop.DBus.Error.AccessDenied", ClockSetting::NotAuthorised},
        {"org.freedesktop.timedate1.AutomaticTimeSyncEnabled", ClockSetting::AutomaticSyncOn},
        {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", ClockSetting::NoAgent},
    };
    for (const auto& [errorName, setting] : cases) {
        const Outcome sync = Sync({errorName});
        EXPECT_EQ(sync.status, 2) << errorName;
        EXPECT_TRUE(sync.out.ends_with("Sekunden.\n" + ReportClockOutcome(setting) + "\n")) << sync.out;
        EXPECT_EQ(m_calls.size(), 1u) << errorName;
    }
}

} // namespace
