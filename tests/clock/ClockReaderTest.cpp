// Which reader the clock is read through: the kernel's, or a test's while its
// override lives.
#include "ClockReader.h"

#include <gtest/gtest.h>

using namespace brisvander;

namespace {

class StillClock final : public ClockReader {
public:
    timespec ReadRealtime() override { return {}; }
};

TEST(ClockReaderOverride, PutsItsReaderInPlaceAndTheOneBeforeBackAtItsEnd)
{
    EXPECT_EQ(&CurrentClockReader(), &KernelClockReader());
    StillClock outer;
    StillClock inner;
    {
        const ClockReaderOverride first(outer);
        EXPECT_EQ(&CurrentClockReader(), &outer);
        {
            const ClockReaderOverride second(inner);
            EXPECT_EQ(&CurrentClockReader(), &inner);
        }
        EXPECT_EQ(&CurrentClockReader(), &outer);
    }
    EXPECT_EQ(&CurrentClockReader(), &KernelClockReader());
}

} // namespace
