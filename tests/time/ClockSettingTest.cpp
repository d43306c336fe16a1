// Setting the clock through the seam: the order raise, step, lower, drop for
// good, every way it can fail, a system without capabilities, a step left to
// the time service, and the step asked for.
#include "FailureKinds.h"
#include "LastError.h"
#include "RecordingClockControl.h"
#include "SntpClient.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Call = RecordingClockControl::Call;
using Calls = std::vector<Call>;
using Setting = brisvander::FailureKind;

const NtpTimestamp kReadAt(0xC5714570C9FBE76Dull);

class ClockSetting : public ::testing::Test {
protected:
    // Asks for the clock reading kReadAt moved by `seconds`.
    BOOL SetClockBy(double seconds)
    {
        SntpClient client(clock);
        const BOOL result = client.SetSystemClock(kReadAt.AddSeconds(seconds), kReadAt);
        enabledAfter = client.PrivilegeEnabled;
        return result;
    }

    RecordingClockControl clock;
    BOOL enabledAfter = 0;
};

TEST_F(ClockSetting, RaisesStepsLowersAndDropsTheRightForGoodInThatOrder)
{
    EXPECT_TRUE(SetClockBy(2.5));
    EXPECT_EQ(clock.Calls(), (Calls{Call::Raise, Call::Step, Call::Lower, Call::DropForGood}));
    EXPECT_FALSE(clock.rightRaised);
    EXPECT_TRUE(clock.droppedForGood);
}

TEST_F(ClockSetting, TheStepIsTheNewTimeLessTheReadingItCameFrom)
{
    ASSERT_TRUE(SetClockBy(-1.5));
    ASSERT_TRUE(SetClockBy(2.5));
    ASSERT_TRUE(SetClockBy(0.000123));
    const auto steps = clock.Of(Call::Step);
    ASSERT_EQ(steps.size(), 3u);
    // Seconds and nanoseconds as the kernel takes them: the sign and the
    // sub-second part both reach it.
    EXPECT_EQ(steps[0].step, (ClockStep{-2, 500000000}));
    EXPECT_EQ(steps[1].step, (ClockStep{2, 500000000}));
    EXPECT_NEAR(steps[2].StepSeconds(), 0.000123, 1e-9);
}

TEST_F(ClockSetting, WithoutAReadingTheMomentOfTheCallStandsForIt)
{
    SntpClient client(clock);
    ASSERT_TRUE(client.SetSystemClock(NtpTimestamp::Now().AddSeconds(2.5)));
    ASSERT_EQ(clock.Of(Call::Step).size(), 1u);
    // Loose: only the time between the two clock readings lies between.
    EXPECT_NEAR(clock.Of(Call::Step)[0].StepSeconds(), 2.5, 0.05);
}

TEST_F(ClockSetting, UnreadableOrUnknownRightStopsBeforeAnythingNeedsUndoing)
{
    for (const FailureKind failure : {FailureKind::ClockRightUnreadable, FailureKind::ClockRightUnknown}) {
        RecordingClockControl refusing;
        refusing.raiseFailure = failure;
        SntpClient client(refusing);
        EXPECT_FALSE(client.SetSystemClock(kReadAt, kReadAt));
        EXPECT_EQ(refusing.Calls(), (Calls{Call::Raise, Call::DropForGood}));
        EXPECT_FALSE(client.PrivilegeEnabled);
        ASSERT_EQ(KindOf(client.LastClockFailure), Setting::ClockNoRight);
        EXPECT_EQ(client.LastClockFailure->Cause, failure) << "why the right could not be had";
        EXPECT_EQ(GetLastError(), refusing.failError) << "the raise's number, as the last error";
        EXPECT_FALSE(client.EnableClockPrivilege());
        EXPECT_EQ(GetLastError(), refusing.failError);
    }
}

TEST_F(ClockSetting, ARefusedRaiseStepsNothingButStillLowers)
{
    clock.raiseFailure = FailureKind::ClockRightRefused;
    EXPECT_FALSE(SetClockBy(1.0));
    EXPECT_EQ(clock.Calls(), (Calls{Call::Raise, Call::Lower, Call::DropForGood}));
    EXPECT_TRUE(enabledAfter);
    EXPECT_TRUE(clock.droppedForGood);
}

TEST_F(ClockSetting, AKernelThatRefusesTheStepStillEndsLoweredAndFalse)
{
    clock.stepResult = false;
    EXPECT_FALSE(SetClockBy(1.0));
    EXPECT_EQ(clock.Calls(), (Calls{Call::Raise, Call::Step, Call::Lower, Call::DropForGood}));
    EXPECT_FALSE(clock.rightRaised);
    EXPECT_TRUE(clock.droppedForGood);
}

TEST_F(ClockSetting, AFailedLoweringOrDroppingDoesNotUndoASuccessfulStep)
{
    clock.lowerResult = false;
    EXPECT_TRUE(SetClockBy(1.0));
    clock.lowerResult = true;
    clock.dropResult = false;
    EXPECT_TRUE(SetClockBy(1.0));
    EXPECT_EQ(clock.Of(Call::Step).size(), 2u);
}

TEST_F(ClockSetting, AStepLeftToTheTimeServiceIsAskedForAndNothingIsLowered)
{
    clock.raiseResult = ClockRightRaise::ByService;
    EXPECT_TRUE(SetClockBy(-0.25));
    EXPECT_EQ(clock.Calls(), (Calls{Call::Raise, Call::Step, Call::DropForGood}));
    EXPECT_EQ(clock.Of(Call::Step)[0].step, (ClockStep{-1, 750000000}));
    EXPECT_FALSE(enabledAfter);
}

TEST_F(ClockSetting, TheClientKeepsWhatBecameOfTheLastSetting)
{
    clock.raiseResult = ClockRightRaise::ByService;
    SntpClient client(clock);
    EXPECT_TRUE(client.SetSystemClock(kReadAt, kReadAt));
    EXPECT_EQ(KindOf(client.LastClockFailure), std::nullopt);
    clock.stepResult = false;
    for (const Setting why : {Setting::ClockNotAuthorised, Setting::ClockAutomaticSyncOn, Setting::ClockNoAgent,
                                   Setting::ClockNoAnswer, Setting::ClockStillPending, Setting::ClockNoRight}) {
        clock.stepFailure = why;
        EXPECT_FALSE(client.SetSystemClock(kReadAt, kReadAt));
        EXPECT_EQ(KindOf(client.LastClockFailure), why);
    }
}

TEST_F(ClockSetting, WithoutCapabilitiesTheClockIsSteppedDirectly)
{
    SetLastError(4711);
    clock.raiseResult = ClockRightRaise::NoCapabilities;
    EXPECT_TRUE(SetClockBy(1.0));
    EXPECT_EQ(clock.Calls(), (Calls{Call::Raise, Call::Step, Call::DropForGood}));
    EXPECT_EQ(clock.Of(Call::Step)[0].lastErrorOnEntry, 0u);
    EXPECT_FALSE(enabledAfter);
}

TEST_F(ClockSetting, ARightRaisedBeforehandIsLoweredAfterwards)
{
    clock.rightRaised = true;
    EXPECT_TRUE(SetClockBy(1.0));
    EXPECT_FALSE(clock.rightRaised);
}

} // namespace
