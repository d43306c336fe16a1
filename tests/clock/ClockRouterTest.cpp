// Which way a setting goes: the capability where the process may raise it,
// the time service otherwise; the right is dropped either way.
#include "ClockRouter.h"
#include "FailureKinds.h"
#include "RecordingClockControl.h"
#include "SntpClient.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Call = RecordingClockControl::Call;
using Calls = std::vector<Call>;

class ClockRouterTest : public ::testing::Test {
protected:
    ClockRouterTest() { service.raiseResult = ClockRightRaise::ByService; }

    BOOL SetClockBy(ClockControl& clock, double seconds)
    {
        const NtpTimestamp now = NtpTimestamp::Now();
        SntpClient client(clock);
        return client.SetSystemClock(now.AddSeconds(seconds), now);
    }

    RecordingClockControl capability;
    RecordingClockControl service;
};

TEST_F(ClockRouterTest, AProcessThatMayRaiseTheRightTakesTheCapabilityPath)
{
    ClockRouter router(capability, service, [] { return true; });
    EXPECT_TRUE(SetClockBy(router, 1.5));
    EXPECT_EQ(capability.Calls(), (Calls{Call::Raise, Call::Step, Call::Lower, Call::DropForGood}));
    EXPECT_TRUE(service.records.empty());
    EXPECT_TRUE(capability.droppedForGood);
}

TEST_F(ClockRouterTest, AProcessWithoutTheRightAsksTheServiceAndHoldsNothingAfterwards)
{
    ClockRouter router(capability, service, [] { return false; });
    service.stepResult = false;
    service.stepFailure = FailureKind::ClockNotAuthorised;
    SntpClient client(router);
    const NtpTimestamp now = NtpTimestamp::Now();
    EXPECT_FALSE(client.SetSystemClock(now.AddSeconds(-0.5), now));
    EXPECT_EQ(KindOf(client.LastClockFailure), FailureKind::ClockNotAuthorised);
    EXPECT_EQ(service.Calls(), (Calls{Call::Raise, Call::Step}));
    ASSERT_EQ(service.Of(Call::Step).size(), 1u);
    EXPECT_EQ(service.Of(Call::Step)[0].step, (ClockStep{-1, 500000000}));
    // The capability is dropped all the same: nothing of it may be left.
    EXPECT_EQ(capability.Calls(), (Calls{Call::DropForGood}));
}

// Root, or a process without the right in its bounding set (a container),
// gains nothing by running as root: with no one to ask, that is the reason.
TEST_F(ClockRouterTest, WithNobodyToAskTheReasonDependsOnWhetherRootWouldHelp)
{
    service.stepResult = false;
    for (const bool outOfReach : {false, true}) {
        ClockRouter router(capability, service, [] { return false; }, [outOfReach] { return outOfReach; });
        for (const FailureKind nobody : {FailureKind::ClockNoBus, FailureKind::ClockNoService}) {
            service.stepFailure = nobody;
            SntpClient client(router);
            const NtpTimestamp now = NtpTimestamp::Now();
            EXPECT_FALSE(client.SetSystemClock(now.AddSeconds(1.0), now));
            EXPECT_EQ(KindOf(client.LastClockFailure), outOfReach ? FailureKind::ClockRightOutOfReach : nobody);
        }
    }
    service.stepFailure = FailureKind::ClockNotAuthorised;
    ClockRouter router(capability, service, [] { return false; }, [] { return true; });
    EXPECT_EQ(KindOf(router.StepClock(ClockStep{1, 0})), FailureKind::ClockNotAuthorised) << "a refusal stays a refusal";
}

TEST_F(ClockRouterTest, OnceTheRightIsGoneTheNextSettingAsksTheService)
{
    ClockRouter router(capability, service, [this] { return !capability.droppedForGood; });
    EXPECT_TRUE(SetClockBy(router, 1.0));
    EXPECT_TRUE(SetClockBy(router, 1.0));
    EXPECT_EQ(capability.Of(Call::Step).size(), 1u);
    EXPECT_EQ(service.Of(Call::Step).size(), 1u);
}

} // namespace
