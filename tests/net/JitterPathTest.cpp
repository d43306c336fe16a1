// Jitter on the delay line: each datagram waits the set delay plus a random
// extra (a queue's wait, 10 ms on average here), and the exchange's figures
// move with it.
#include "FakeSntpServer.h"
#include "NetPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

TEST(JitterPath, HoldsSpreadOverTheJitterAndTheOffsetFollowsThem)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    UdpRelay::Options options;
    options.outboundDelayUs = 2000;
    options.inboundDelayUs = 2000;
    options.jitterUs = 10000;
    options.seed = 7;
    UdpRelay relay(server.Port(), options);
    ASSERT_NE(relay.Port(), 0);

    std::vector<double> holds;
    std::vector<double> offsets;
    for (int i = 0; i < 12; ++i) {
        const PathExchange e = QueryThrough(relay);
        ASSERT_TRUE(e.query.ok) << "error " << e.query.error;
        ASSERT_TRUE(e.heldOnce);
        // Never early; how late a busy machine makes it is no part of this test.
        for (const double hold : {e.outboundS, e.inboundS}) {
            EXPECT_GE(hold, 0.002);
            holds.push_back(hold);
        }
        offsets.push_back(e.query.result.ClockOffset);
    }
    const auto [fewest, most] = std::minmax_element(holds.begin(), holds.end());
    const auto [lowest, highest] = std::minmax_element(offsets.begin(), offsets.end());
    std::printf("[ figures  ] holds %.3f to %.3f ms, offsets %.3f to %.3f ms\n", *fewest * 1e3, *most * 1e3,
                *lowest * 1e3, *highest * 1e3);
    // 24 waits averaging 10 ms: this seed's spread is far above that.
    EXPECT_GT(*most - *fewest, 0.010);
    // The server's clock is the client's; only the jitter's asymmetry moves the offset.
    EXPECT_GT(*highest - *lowest, 0.002);
}

} // namespace
