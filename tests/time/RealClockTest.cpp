// Opt-in (BRISVANDER_REAL_CLOCK_TEST=1): the real clock path, end to end.
// The clock is stepped only when chronyd, serving this very clock, measures
// less than 2 ms, so the step is no larger than that.
#include "CapabilityClockControl.h"
#include "ChronydFixture.h"
#include "ClockRightHelper.h"
#include "LastError.h"
#include "SntpClient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

constexpr double kLargestStepSeconds = 0.002;

TEST(RealClock, SetsTheClockFromChronydByLessThanTwoMilliseconds)
{
    const char* optIn = std::getenv("BRISVANDER_REAL_CLOCK_TEST");
    if (optIn == nullptr || std::strcmp(optIn, "1") != 0)
        GTEST_SKIP() << "changes the real clock; set BRISVANDER_REAL_CLOCK_TEST=1 to run it";
    ChronydFixture chronyd;
    std::string whyNot;
    if (!chronyd.Start(whyNot))
        GTEST_SKIP() << "chronyd cannot run here: " << whyNot;

    SntpClient client(CapabilityClockControl());
    SntpResult result;
    ASSERT_TRUE(client.QueryServer("127.0.0.1", result, chronyd.Port())) << "error " << GetLastError();
    if (std::fabs(result.ClockOffset) >= kLargestStepSeconds)
        GTEST_SKIP() << "measured offset " << result.ClockOffset << " s is too large to step the real clock by";

    const bool permitted = ProcessMayRaiseClockRight();
    EXPECT_FALSE(ThreadHoldsClockRight(CapabilitySet::Permitted)) << "the clock helper, not this process, keeps the right";
    const BOOL set = client.SetSystemClock(NtpTimestamp::Now().AddSeconds(result.ClockOffset));
    // The right is held only for the moment of setting, whatever it was
    // before, and given up for good afterwards: nothing can raise it again.
    EXPECT_FALSE(ThreadHoldsClockRight(CapabilitySet::Effective));
    EXPECT_FALSE(ThreadHoldsClockRight(CapabilitySet::Permitted));
    EXPECT_FALSE(ThreadHoldsClockRight(CapabilitySet::Inheritable));
    EXPECT_FALSE(ProcessMayRaiseClockRight());
    EXPECT_EQ(ClockHelperProcess(), 0) << "the clock helper outlived the setting";
    if (permitted) {
        EXPECT_TRUE(set) << "a clock helper held CAP_SYS_TIME but the clock was not set";
    } else {
        // Without the right, the outcome is a plain failure, never a crash.
        EXPECT_FALSE(set);
    }

    SntpResult after;
    ASSERT_TRUE(client.QueryServer("127.0.0.1", after, chronyd.Port())) << "error " << GetLastError();
    EXPECT_LT(std::fabs(after.ClockOffset), kLargestStepSeconds);
}

} // namespace

// As the programs do: before anything else runs, a right to set the clock
// goes to the clock helper.
int main(int argc, char** argv)
{
    const ClockRightStart start = SeparateClockRight(ClockRightUse::OneSetting);
    if (start == ClockRightStart::NotSingleThreaded || start == ClockRightStart::Failed)
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
