// Abgleichen without a right of its own: the step is asked of a test double
// of systemd-timedated on a private bus, which answers as each case needs.
// Nothing here reaches the machine's bus or clock.
#include "FailureKinds.h"
#include "TimeCommand.h"
#include "TimedatedClockControl.h"
#include "TimedatedFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

using namespace brisvander;
using namespace brisvander::testsupport;
using namespace std::chrono_literals;

namespace {

double OffsetInReport(const std::string& report)
{
    std::smatch match;
    if (!std::regex_search(report, match, std::regex("Differenz zur Lokalzeit:\t(-?[0-9]+\\.[0-9]{6}) Sekunden")))
        return 1e9;
    return std::stod(match[1].str());
}

class TimedatedClock : public TimedatedFixture<> {
protected:
    void StartDouble(const QStringList& answers)
    {
        std::string whyNot;
        ASSERT_TRUE(m_double.Start(m_bus.Address(), answers, whyNot)) << whyNot;
    }

    TimeCommandOutcome Abgleichen(ClockControl& clock)
    {
        SntpClient client(clock);
        return RunTimeCommand(ReportCommand::Sync, "127.0.0.1", m_server.Port(), client);
    }

    TimedatedBus Bus(std::chrono::milliseconds answerWait = 10s) const { return {m_bus.Address(), answerWait}; }

    TimedatedDouble m_double;
};

TEST_F(TimedatedClock, AbgleichenAsksForARelativeInteractiveStepOfTheMeasuredOffset)
{
    StartDouble({"ok"});
    TimedatedClockControl clock(Bus());
    for (const double offset : {2.5, -1.5}) {
        m_server.SetClockOffset(offset);
        const TimeCommandOutcome outcome = Abgleichen(clock);
        ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
        EXPECT_EQ(KindOf(outcome.ClockFailure), std::nullopt);
        EXPECT_TRUE(outcome.ClockSet);
        EXPECT_TRUE(outcome.Report.ends_with("Sekunden.\nZeit erfolgreich mit Zeitserver synchronisiert.\n\nOK."))
            << outcome.Report;
        const double reported = OffsetInReport(outcome.Report);
        EXPECT_NEAR(reported, offset, 0.05);

        const auto calls = m_double.Calls();
        ASSERT_FALSE(calls.empty());
        const TimedatedDouble::Call& call = calls.back();
        EXPECT_EQ(call.Signature, "xbb");
        // The report shows the offset to the microsecond; the step is that offset.
        EXPECT_NEAR(static_cast<double>(call.Microseconds), reported * 1e6, 1.0);
        EXPECT_TRUE(call.Relative);
        EXPECT_TRUE(call.Interactive);
        EXPECT_TRUE(call.InteractiveAuthorizationAllowed);
    }
    EXPECT_EQ(m_double.Calls().size(), 2u);
}

TEST_F(TimedatedClock, EachRefusalOfTheServiceEndsTheReportWithItsOwnLine)
{
    const std::vector<std::pair<QString, FailureKind>> cases = {
        {"org.freedesktop.DBus.Error.AccessDenied", FailureKind::ClockNotAuthorised},
        {"org.freedesktop.PolicyKit1.Error.Cancelled", FailureKind::ClockNotAuthorised},
        {"org.freedesktop.PolicyKit1.Error.NotAuthorized", FailureKind::ClockNotAuthorised},
        {"org.freedesktop.DBus.Error.AuthFailed", FailureKind::ClockNotAuthorised},
        {"org.freedesktop.timedate1.AutomaticTimeSyncEnabled", FailureKind::ClockAutomaticSyncOn},
        {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", FailureKind::ClockNoAgent},
        {"org.freedesktop.DBus.Error.InvalidArgs", FailureKind::ClockRefused},
    };
    QStringList answers;
    for (const auto& [errorName, setting] : cases)
        answers << errorName;
    StartDouble(answers);
    TimedatedClockControl clock(Bus());
    for (const auto& [errorName, setting] : cases) {
        const TimeCommandOutcome outcome = Abgleichen(clock);
        ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
        EXPECT_EQ(KindOf(outcome.ClockFailure), setting) << errorName.toStdString();
        EXPECT_FALSE(outcome.ClockSet);
        EXPECT_TRUE(outcome.Report.ends_with("Sekunden.\n" + ReportClockOutcome(FailureOf(setting)))) << outcome.Report;
    }
    EXPECT_EQ(m_double.Calls().size(), cases.size());
}

TEST_F(TimedatedClock, NoServiceOnTheBusAndNoBusAtAllAreToldApart)
{
    TimedatedClockControl noService(Bus());
    TimedatedClockControl noBus({m_bus.NowhereAddress(), 10s});
    for (const auto& [clock, setting] :
         {std::pair{&noService, FailureKind::ClockNoService}, {&noBus, FailureKind::ClockNoBus}}) {
        const auto start = std::chrono::steady_clock::now();
        const TimeCommandOutcome outcome = Abgleichen(*clock);
        ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
        EXPECT_EQ(KindOf(outcome.ClockFailure), setting);
        EXPECT_TRUE(outcome.Report.ends_with(ReportClockOutcome(FailureOf(setting)))) << outcome.Report;
        // Known at once, not after the wait for an answer.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
}

// The service went away without answering: not the same as no answer in time.
TEST_F(TimedatedClock, AServiceThatEndsWithoutAnsweringIsGone)
{
    StartDouble({"exit"});
    TimedatedClockControl clock(Bus());
    const TimeCommandOutcome outcome = Abgleichen(clock);
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    EXPECT_EQ(KindOf(outcome.ClockFailure), FailureKind::ClockServiceGone);
    EXPECT_TRUE(outcome.Report.ends_with(ReportClockOutcome(FailureOf(FailureKind::ClockServiceGone)))) << outcome.Report;
}

// The service may still carry out a request after we stopped waiting for its
// answer: no second one goes out until the first is answered.
TEST_F(TimedatedClock, AnUnansweredRequestBlocksEveryFurtherOneUntilItIsAnswered)
{
    StartDouble({"ok@1500", "ok"});
    TimedatedClockControl clock(Bus(200ms));
    const TimeCommandOutcome first = Abgleichen(clock);
    ASSERT_TRUE(first.QuerySucceeded) << "error " << first.Error;
    EXPECT_EQ(KindOf(first.ClockFailure), FailureKind::ClockNoAnswer);
    EXPECT_TRUE(first.Report.ends_with(ReportClockOutcome(FailureOf(FailureKind::ClockNoAnswer)))) << first.Report;

    const TimeCommandOutcome second = Abgleichen(clock);
    EXPECT_EQ(KindOf(second.ClockFailure), FailureKind::ClockStillPending);
    EXPECT_TRUE(second.Report.ends_with(ReportClockOutcome(FailureOf(FailureKind::ClockStillPending)))) << second.Report;
    EXPECT_EQ(m_double.Calls().size(), 1u);

    // Once the late answer is in, the next request goes out and is answered.
    std::optional<FailureKind> later = FailureKind::ClockStillPending;
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (later == FailureKind::ClockStillPending && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(50ms);
        later = KindOf(clock.StepClock(ClockStep{0, 1000}));
    }
    EXPECT_EQ(later, std::nullopt);
    ASSERT_EQ(m_double.Calls().size(), 2u);
    EXPECT_EQ(m_double.Calls()[1].Microseconds, 1);
}

} // namespace
