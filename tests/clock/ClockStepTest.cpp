// A step in seconds turned into the kernel's form and the time service's.
#include "ClockStep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace brisvander;

namespace {

TEST(ClockStepFromSeconds, SplitsIntoWholeSecondsAndANonNegativeNanosecondPart)
{
    EXPECT_EQ(ClockStepFromSeconds(0.0), (ClockStep{0, 0}));
    EXPECT_EQ(ClockStepFromSeconds(2.5), (ClockStep{2, 500000000}));
    EXPECT_EQ(ClockStepFromSeconds(-1.25), (ClockStep{-2, 750000000}));
    EXPECT_EQ(ClockStepFromSeconds(-3.0), (ClockStep{-3, 0}));
    EXPECT_EQ(ClockStepFromSeconds(0.000000001), (ClockStep{0, 1}));
    EXPECT_EQ(ClockStepFromSeconds(-0.000000001), (ClockStep{-1, 999999999}));
    EXPECT_EQ(ClockStepFromSeconds(-0.000018), (ClockStep{-1, 999982000}));
}

TEST(ClockStepFromSeconds, ANanosecondPartThatRoundsToAWholeSecondCarries)
{
    EXPECT_EQ(ClockStepFromSeconds(0.9999999996), (ClockStep{1, 0}));
    EXPECT_EQ(ClockStepFromSeconds(-0.0000000004), (ClockStep{0, 0}));
    EXPECT_EQ(ClockStepFromSeconds(41.99999999999), (ClockStep{42, 0}));
}

TEST(ClockStepMicroseconds, RoundsToTheNearestMicrosecondEitherWay)
{
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{2, 500000000}), 2500000);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{-2, 750000000}), -1250000);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{0, 1499}), 1);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{0, 1500}), 2);
    // -0.0000015 s and -0.0000014 s: half a microsecond rounds away from zero.
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{-1, 999998500}), -2);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{-1, 999998600}), -1);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{0, 999999600}), 1000000);
    const std::int64_t largest = static_cast<std::int64_t>(MaxClockStepSeconds);
    EXPECT_EQ(ClockStepMicroseconds(ClockStep{-largest, 0}), -largest * 1000000);
}

TEST(ClockStepFromSeconds, RefusesWhatIsNoNumberOrBeyondAnyTrueOffset)
{
    EXPECT_FALSE(ClockStepFromSeconds(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(ClockStepFromSeconds(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(ClockStepFromSeconds(-std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(ClockStepFromSeconds(1e300));
    EXPECT_FALSE(ClockStepFromSeconds(-MaxClockStepSeconds - 1.0));
    EXPECT_TRUE(ClockStepFromSeconds(-MaxClockStepSeconds));
}

} // namespace
