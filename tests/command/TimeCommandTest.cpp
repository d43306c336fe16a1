// One Info or Abgleichen run against a loopback server: the report, and the
// clock stepped by exactly what was measured.
#include "ErrorCodes.h"
#include "FailureKinds.h"
#include "FailureText.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "RecordingClockControl.h"
#include "SeriesScript.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

#include <memory>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Call = RecordingClockControl::Call;
using namespace std::chrono_literals;

// One run against the fake server, with a recording clock.
class TimeCommand : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0); }
    TimeCommandOutcome Run(ReportCommand command, const TimeCommandOptions& options = {})
    {
        SntpClient client(clock);
        TimeCommandOutcome outcome = RunTimeCommand(command, "127.0.0.1", server.Port(), client, options);
        EXPECT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
        return outcome;
    }
    static std::string Preamble() { return ReportPreamble(ReportCommand::Sync, "127.0.0.1"); }

    FakeSntpServer server;
    RecordingClockControl clock;
};

TEST_F(TimeCommand, AbgleichenStepsTheClockByTheMeasuredOffset)
{
    server.SetClockOffset(2.5);
    const TimeCommandOutcome outcome = Run(ReportCommand::Sync);
    EXPECT_TRUE(outcome.ClockAttempted);
    EXPECT_TRUE(outcome.ClockSet);
    EXPECT_NEAR(outcome.Result.ClockOffset, 2.5, 0.02);
    const auto steps = clock.Of(Call::Step);
    ASSERT_EQ(steps.size(), 1u);
    // The step is the offset itself: measured from the reading the new time
    // was computed from, not from a later one, and not to the server's time.
    EXPECT_NEAR(steps[0].StepSeconds(), outcome.Result.ClockOffset, 1e-6);
    EXPECT_EQ(outcome.Report, Preamble() + ReportSuccessBody(outcome.Result) +
                                  "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
}

TEST_F(TimeCommand, InfoNeverTouchesTheClock)
{
    EXPECT_FALSE(Run(ReportCommand::Info).ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
}

// The host is shown as typed and queried without the blanks around it (a
// blank one trims to nothing).
TEST_F(TimeCommand, AFailedQueryLeavesTheClockAlone)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    SntpClient client(clock);
    for (const std::string& host : {std::string("nonexistent.invalid"), std::string("  "),
                                    std::string("  blanks-around.invalid  "), std::string(292, 'a') + ".invalid"}) {
        const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, host, server.Port(), client);
        EXPECT_FALSE(outcome.QuerySucceeded) << host;
        EXPECT_FALSE(outcome.ClockAttempted) << host;
        EXPECT_EQ(outcome.Error, ErrorCode::HostNotFound) << host << ": " << outcome.Error;
        EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, host) + ReportQueryFailure(outcome.Error));
    }
    EXPECT_TRUE(clock.records.empty());
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(TimeCommand, AClosedGateKeepsAnAnsweredAbgleichenFromTheClock)
{
    int asked = 0;
    TimeCommandOptions gate;
    gate.MayTouchClock = [&asked] { return ++asked > 1; }; // closed, then open
    const TimeCommandOutcome closed = Run(ReportCommand::Sync, gate);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(closed.ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
    EXPECT_EQ(closed.Report, Preamble() + ReportSuccessBody(closed.Result));

    // An open gate is asked once too, and then the clock is set as always.
    const TimeCommandOutcome open = Run(ReportCommand::Sync, gate);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(open.ClockSet);
    EXPECT_EQ(clock.Of(Call::Step).size(), 1u);
}

TEST_F(TimeCommand, ARefusedClockEndsTheReportWithTheFailureLineAndWhy)
{
    clock.raiseFailure = FailureKind::ClockRightRefused;
    const TimeCommandOutcome outcome = Run(ReportCommand::Sync);
    EXPECT_TRUE(outcome.ClockAttempted);
    EXPECT_FALSE(outcome.ClockSet);
    EXPECT_EQ(KindOf(outcome.ClockFailure), FailureKind::ClockNoRight);
    EXPECT_TRUE(clock.Of(Call::Step).empty());
    EXPECT_EQ(outcome.Report, Preamble() + ReportSuccessBody(outcome.Result) +
                                  "Fehler beim setzen der lokalen Rechner Zeit.\n" +
                                  FailureText(FailureOf(FailureKind::ClockNoRight)) + "\n\nOK.");
}

// A series against the fake server; the pauses are recorded, not waited.
class TimeCommandSeries : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server->Port(), 0); }
    TimeCommandOutcome Run(ReportCommand command, int count)
    {
        SntpClient client(clock);
        TimeCommandOptions options;
        options.Series = SeriesPlan{count, 200ms};
        options.Pause = [this](std::chrono::milliseconds pause) { pauses.push_back(pause); };
        return RunTimeCommand(command, "127.0.0.1", server->Port(), client, options);
    }

    std::unique_ptr<FakeSntpServer> server = std::make_unique<FakeSntpServer>();
    RecordingClockControl clock;
    std::vector<std::chrono::milliseconds> pauses;
};

TEST_F(TimeCommandSeries, AbgleichenStepsOnceByTheOffsetOfTheLeastDelayedExchange)
{
    // The replies' delay is all on the way back, so each offset is off by half the round trip.
    server->SetScript(SeriesScript({Reply(80, 1.0), Reply(0, 2.0), Reply(40, 3.0)}));
    const TimeCommandOutcome outcome = Run(ReportCommand::Sync, 3);
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    EXPECT_EQ(server->RequestCount(), 3);
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{200ms, 200ms}));
    ASSERT_EQ(outcome.Samples.size(), 3u);
    const double scriptedDelay[] = {0.080, 0.0, 0.040};
    const double scriptedOffset[] = {1.0, 2.0, 3.0};
    for (std::size_t i = 0; i < 3; ++i) {
        const SntpResult& r = outcome.Samples[i].Result;
        ASSERT_TRUE(outcome.Samples[i].Succeeded) << i;
        EXPECT_GE(r.RoundtripDelay, scriptedDelay[i]) << i;
        const double trip = OutboundTripSeconds(r.ClockOffset, r.RoundtripDelay, scriptedOffset[i]);
        EXPECT_GE(trip, -1e-4) << i;
        EXPECT_LE(trip, r.RoundtripDelay - scriptedDelay[i] + 1e-4) << i;
    }
    ASSERT_EQ(outcome.Chosen, 1u);
    EXPECT_EQ(outcome.Result.ClockOffset, outcome.Samples[1].Result.ClockOffset);
    const auto steps = clock.Of(Call::Step);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_NEAR(steps[0].StepSeconds(), outcome.Result.ClockOffset, 1e-6);
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "127.0.0.1") + ReportSuccessBody(outcome.Result) +
                                  "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
}

TEST_F(TimeCommandSeries, WhenEveryExchangeFailsTheReportIsTheLastFailure)
{
    server->SetSilent(true);
    const int port = server->Port();
    SntpClient client(clock);
    client.TimeoutMs = 300;
    // The first exchange waits out the time-out; then the server is gone and its port closed.
    TimeCommandOptions options;
    options.Series = SeriesPlan{2, 200ms};
    options.Pause = [this](std::chrono::milliseconds) { server.reset(); };
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", port, client, options);
    ASSERT_EQ(outcome.Samples.size(), 2u);
    EXPECT_EQ(outcome.Samples[0].Error, ErrorCode::TimedOut);
    EXPECT_EQ(outcome.Samples[1].Error, ErrorCode::ConnectionReset);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_EQ(outcome.Chosen, std::nullopt);
    EXPECT_EQ(outcome.Error, ErrorCode::ConnectionReset);
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "127.0.0.1") +
                                  ReportQueryFailure(ErrorCode::ConnectionReset));
    EXPECT_FALSE(outcome.ClockAttempted);
    EXPECT_TRUE(clock.records.empty());
}

} // namespace
