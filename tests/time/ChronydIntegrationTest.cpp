// The real QueryServer against a real chronyd on loopback: the figures must
// agree with a server that shares this machine's clock. (IPv6 is the same
// exchange; the query's IPv6 tests have it.)
#include "ChronydFixture.h"
#include "QueryOutcome.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

using Chronyd = ChronydSuite<>;

TEST_F(Chronyd, OffsetIsWithinAMillisecondOfZeroAndTheDelaySmall)
{
    // As an NTP clock filter does, judge the exchange least disturbed by scheduling.
    SntpResult best;
    best.RoundtripDelay = 1e9;
    for (int i = 0; i < 8; ++i) {
        const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
        ASSERT_TRUE(q.ok) << "error " << q.error;
        EXPECT_GT(q.result.RoundtripDelay, 0.0);
        if (q.result.RoundtripDelay < best.RoundtripDelay)
            best = q.result;
    }
    // Both ends read one clock, so only the paths' asymmetry shows, and it is bounded by half the round trip.
    EXPECT_LE(std::abs(best.ClockOffset), best.RoundtripDelay / 2 + 1e-4);
    EXPECT_LT(best.RoundtripDelay, 0.01);
    RecordProperty("offset_ns", static_cast<int>(best.ClockOffset * 1e9));
    RecordProperty("delay_ns", static_cast<int>(best.RoundtripDelay * 1e9));
}

TEST_F(Chronyd, StratumAndLeapAreAsChronydServesThem)
{
    const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, ChronydFixture::LocalStratum);
    EXPECT_EQ(q.result.LeapIndicator, 0);
}

TEST_F(Chronyd, TheFourStampsAreInCausalOrder)
{
    const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    const SntpResult& r = q.result;
    // One clock serves both ends, so the stamps follow the exchange.
    EXPECT_LE(r.OriginateTimestamp.Value(), r.ReceiveTimestamp.Value());
    EXPECT_LE(r.ReceiveTimestamp.Value(), r.TransmitTimestamp.Value());
    EXPECT_LE(r.TransmitTimestamp.Value(), r.DestinationTimestamp.Value());
}

} // namespace
