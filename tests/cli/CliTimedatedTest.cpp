// The installed program without the clock right, pointed at a private bus
// through DBUS_SYSTEM_BUS_ADDRESS: sync asks the timedated double there and
// says what came of it, in its report and its exit status.
#include "CliProcess.h"
#include "ReportText.h"
#include "TimedatedFixture.h"

#include <gtest/gtest.h>

#include <regex>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

class CliTimedatedTest : public TimedatedFixture<> {
protected:
    std::string Sync(const QStringList& answers, int expectedStatus)
    {
        std::string whyNot;
        TimedatedDouble timedated;
        EXPECT_TRUE(timedated.Start(m_bus.Address(), answers, whyNot)) << whyNot;
        m_cli.SetVariable("DBUS_SYSTEM_BUS_ADDRESS", m_bus.Address());
        const CliRun run = m_cli.Run({"sync", "127.0.0.1", "--port", QString::number(m_server.Port())});
        EXPECT_EQ(run.status, expectedStatus) << run.out.toStdString() << run.err.toStdString();
        m_calls = timedated.Calls();
        return run.out.toStdString();
    }

    CliProcess m_cli;
    std::vector<TimedatedDouble::Call> m_calls;
};

TEST_F(CliTimedatedTest, SyncSetsTheDoublesClockByTheOffsetItPrints)
{
    m_server.SetClockOffset(-3.25);
    const std::string out = Sync({"ok"}, 0);
    EXPECT_TRUE(out.ends_with("Sekunden.\nZeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.\n")) << out;
    std::smatch offset;
    ASSERT_TRUE(std::regex_search(out, offset, std::regex("Differenz zur Lokalzeit:\t(-?[0-9]+\\.[0-9]{6})")));
    ASSERT_EQ(m_calls.size(), 1u);
    EXPECT_NEAR(static_cast<double>(m_calls[0].Microseconds), std::stod(offset[1].str()) * 1e6, 1.0);
    EXPECT_NEAR(static_cast<double>(m_calls[0].Microseconds), -3.25e6, 5e4);
    EXPECT_TRUE(m_calls[0].Relative && m_calls[0].Interactive && m_calls[0].InteractiveAuthorizationAllowed);
}

// Which refusal gives which line is the command layer's to say; here one of
// them reaches the program's output and its exit status.
TEST_F(CliTimedatedTest, ARefusalPrintsItsLineAndExitsTwo)
{
    const std::string out = Sync({"org.freedesktop.timedate1.AutomaticTimeSyncEnabled"}, 2);
    EXPECT_TRUE(out.ends_with("Sekunden.\n" + ReportClockOutcome(FailureOf(FailureKind::ClockAutomaticSyncOn)) + "\n")) << out;
    EXPECT_EQ(m_calls.size(), 1u);
}

} // namespace
