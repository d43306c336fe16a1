// One Info or Abgleichen run against a loopback server: the report, and the
// clock stepped by exactly what was measured.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "RecordingClockControl.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Call = RecordingClockControl::Call;

TEST(TimeCommand, AbgleichenStepsTheClockByTheMeasuredOffset)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    server.SetClockOffset(2.5);
    RecordingClockControl clock;
    SntpClient client(clock);
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", server.Port(), client);
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    EXPECT_TRUE(outcome.ClockAttempted);
    EXPECT_TRUE(outcome.ClockSet);
    EXPECT_NEAR(outcome.Result.ClockOffset, 2.5, 0.02);
    const auto steps = clock.Of(Call::Step);
    ASSERT_EQ(steps.size(), 1u);
    // The step is the offset itself: measured from the reading the new time
    // was computed from, not from a later one, and not to the server's time.
    EXPECT_NEAR(steps[0].StepSeconds(), outcome.Result.ClockOffset, 1e-6);
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "127.0.0.1") + ReportSuccessBody(outcome.Result) +
                                  "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
}

TEST(TimeCommand, InfoNeverTouchesTheClock)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    RecordingClockControl clock;
    SntpClient client(clock);
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Info, "127.0.0.1", server.Port(), client);
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    EXPECT_FALSE(outcome.ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
}

TEST(TimeCommand, AFailedQueryLeavesTheClockAlone)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    RecordingClockControl clock;
    SntpClient client(clock);
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "nonexistent.invalid", 123, client);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_FALSE(outcome.ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
    EXPECT_EQ(outcome.Error, ErrorCode::HostNotFound);
    EXPECT_EQ(outcome.Report,
              ReportPreamble(ReportCommand::Sync, "nonexistent.invalid") + ReportQueryFailure(outcome.Error));
}

TEST(TimeCommand, AClosedGateKeepsAnAnsweredAbgleichenFromTheClock)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    server.SetClockOffset(3.0);
    RecordingClockControl clock;
    SntpClient client(clock);
    int asked = 0;
    const TimeCommandOutcome closed = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", server.Port(), client, [&asked] {
        ++asked;
        return false;
    });
    ASSERT_TRUE(closed.QuerySucceeded) << "error " << closed.Error;
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(closed.ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
    EXPECT_EQ(closed.Report, ReportPreamble(ReportCommand::Sync, "127.0.0.1") + ReportSuccessBody(closed.Result));

    // An open gate is asked once too, and then the clock is set as always.
    const TimeCommandOutcome open = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", server.Port(), client, [&asked] {
        ++asked;
        return true;
    });
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(open.ClockSet);
    EXPECT_EQ(clock.Of(Call::Step).size(), 1u);
}

TEST(TimeCommand, ARefusedClockEndsTheReportWithTheFailureLine)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    RecordingClockControl clock;
    clock.raiseResult = ClockRightRaise::Refused;
    SntpClient client(clock);
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", server.Port(), client);
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    EXPECT_TRUE(outcome.ClockAttempted);
    EXPECT_FALSE(outcome.ClockSet);
    EXPECT_TRUE(clock.Of(Call::Step).empty());
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "127.0.0.1") + ReportSuccessBody(outcome.Result) +
                                  "Fehler beim setzen der lokalen Rechner Zeit.\n\nOK.");
}

} // namespace
