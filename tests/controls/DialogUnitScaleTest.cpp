// Dialog units to pixels, rounded as the original dialog manager rounds.
#include "DialogUnitScale.h"

#include <gtest/gtest.h>

using namespace brisvander;

namespace {

TEST(DialogUnitScale, RoundsHalvesAwayFromZeroOnBothAxes)
{
    const DialogUnitScale scale(6, 13);
    EXPECT_EQ(scale.X(289), 434); // 433.5
    EXPECT_EQ(scale.Y(206), 335); // 334.75
    EXPECT_EQ(scale.X(-7), -11);  // -10.5
}

TEST(DialogUnitScale, ARectangleKeepsItsEdgesWhereTheyWouldBeAlone)
{
    // Converting the edges, not the width: two neighbouring controls never
    // overlap or leave a gap through rounding.
    const DialogUnitScale scale(7, 16);
    EXPECT_EQ(scale.Rect(7, 44, 275, 155), QRect(12, 88, 482, 310));
    EXPECT_EQ(scale.Rect(7, 44, 275, 155).right() + 1, scale.Rect(282, 44, 10, 10).left());
}

} // namespace
