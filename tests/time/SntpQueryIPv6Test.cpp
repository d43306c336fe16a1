// The exchange over IPv6 on ::1, the host forms a user may type for it, and
// IPv6 host text that cannot work.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "QueryOutcome.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

class SntpQueryIPv6 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(KeepNameLookupsLocal()); }
    void SetUp() override
    {
        if (server.Port() == 0)
            GTEST_SKIP() << "::1 cannot be bound here (IPv6 disabled?)";
    }
    FakeSntpServer server{LoopbackFamily::IPv6};
};

TEST_F(SntpQueryIPv6, TheLiteralWithAndWithoutBracketsReachesTheServer)
{
    server.SetClockOffset(-0.75);
    for (const char* host : {"::1", "[::1]", "0:0:0:0:0:0:0:1"}) {
        const QueryOutcome q = RunQuery(host, server.Port());
        ASSERT_TRUE(q.ok) << host << ": error " << q.error;
        EXPECT_NEAR(q.result.ClockOffset, -0.75, 0.02) << host;
        EXPECT_GE(q.result.RoundtripDelay, 0.0) << host;
    }
    EXPECT_EQ(server.RequestCount(), 3);
}

TEST_F(SntpQueryIPv6, BrokenOrUnreachableIPv6TextFailsClearlyAndQuickly)
{
    // An unclosed bracket is no address and no name; a link-local address
    // with a zone of the loopback interface has no route: each ends with a
    // number long before the reply time-out, and nothing reaches the server.
    for (const char* host : {"[::1", "::1]", "[[::1]]", "fe80::1%lo", "::1%nosuchinterface"}) {
        const QueryOutcome q = RunQuery(host, server.Port(), 3000);
        EXPECT_FALSE(q.ok) << host;
        EXPECT_NE(q.error, 0u) << host;
        EXPECT_NE(q.error, 0xDEADBEEFu) << host;
        EXPECT_LT(q.seconds, 3.5) << host;
    }
    EXPECT_EQ(server.RequestCount(), 0);
}

} // namespace
