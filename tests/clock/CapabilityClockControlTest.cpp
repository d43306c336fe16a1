// The real capability calls as far as a test may run them: without the
// clock right.
#include "CapabilityClockControl.h"

#include <gtest/gtest.h>

#include <sys/capability.h>

using namespace brisvander;

namespace {

bool EffectiveHasClockRight()
{
    cap_t caps = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    if (caps != nullptr) {
        cap_get_flag(caps, CAP_SYS_TIME, CAP_EFFECTIVE, &value);
        cap_free(caps);
    }
    return value == CAP_SET;
}

bool PermittedHasClockRight()
{
    cap_t caps = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    if (caps != nullptr) {
        cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &value);
        cap_free(caps);
    }
    return value == CAP_SET;
}

// Tests run without the clock right, so raising it must be refused and
// lowering and dropping it must succeed; nothing here steps the clock.
TEST(CapabilityClockControl, WithoutTheRightRaisingIsRefusedAndLoweringWorks)
{
    ASSERT_FALSE(PermittedHasClockRight()) << "tests must run without CAP_SYS_TIME (see without-clock-right.sh)";
    ClockControl& control = CapabilityClockControl();
    const Expected<ClockRightRaise> raised = control.RaiseClockRight();
    ASSERT_FALSE(raised.Ok());
    EXPECT_EQ(raised.Error().Kind, FailureKind::ClockRightRefused);
    EXPECT_EQ(raised.Error().Number, 10013u);
    EXPECT_FALSE(EffectiveHasClockRight());
    EXPECT_FALSE(control.LowerClockRight());
    EXPECT_FALSE(EffectiveHasClockRight());
    EXPECT_FALSE(ProcessMayRaiseClockRight());
    EXPECT_FALSE(control.DropClockRightForGood());
    EXPECT_FALSE(DropProcessClockRight());
    EXPECT_FALSE(PermittedHasClockRight());
}

TEST(CapabilityClockControl, TheKernelRefusesAStepWithoutTheRight)
{
    ASSERT_FALSE(PermittedHasClockRight());
    // A zero step: even a kernel that took it would leave the clock as it is.
    const std::optional<Failure> refused = CapabilityClockControl().StepClock(ClockStep{0, 0});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Kind, FailureKind::ClockNoRight);
    EXPECT_EQ(refused->Number, 10013u);
}

} // namespace
