// A path that loses every datagram: the query must wait out its full five
// seconds, neither giving up early nor hanging on.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "NetPath.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

TEST(LossyPath, EverythingLostGives10060AfterTheFiveSecondWait)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    UdpRelay::Options options;
    options.outboundDelayUs = 20000;
    options.inboundDelayUs = 20000;
    options.lossRate = 1.0;
    UdpRelay relay(server.Port(), options);
    ASSERT_NE(relay.Port(), 0);

    const QueryOutcome q = RunQuery("127.0.0.1", relay.Port());
    std::printf("[ figures  ] total loss: error %u after %.3f s\n", q.error, q.seconds);
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::TimedOut);
    EXPECT_GE(q.seconds, SntpDefaultTimeoutMs / 1e3);
    EXPECT_LE(q.seconds, SntpDefaultTimeoutMs / 1e3 + 0.5);
    const UdpRelay::Stats stats = relay.GetStats();
    EXPECT_EQ(stats.dropped, 1);
    EXPECT_EQ(stats.forwardedOut, 0);
    EXPECT_EQ(server.RequestCount(), 0);
}

} // namespace
