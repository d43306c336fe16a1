// The full five-second wait of the real QueryServer: silence, replies that
// are all discarded, and a good reply that comes late but in time.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "QueryOutcome.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Datagrams = std::vector<FakeSntpServer::Datagram>;

class SntpQueryTimeout : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0) << "the fake server could not bind"; }
    FakeSntpServer server;
};

TEST_F(SntpQueryTimeout, ASilentServerGives10060AfterAboutFiveSeconds)
{
    server.SetSilent(true);
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::TimedOut);
    EXPECT_GE(q.seconds, 4.9);
    EXPECT_LE(q.seconds, 6.0);
    EXPECT_EQ(server.RequestCount(), 1);
}

TEST_F(SntpQueryTimeout, DiscardedRepliesDoNotShortenTheWait)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        std::vector<std::uint8_t> foreign = FakeSntpServer::MakeReply(ctx, 0.0);
        foreign[30] ^= 0x40;
        return Datagrams{{std::vector<std::uint8_t>(12, 0x1C), 0}, {foreign, 500}, {foreign, 1000}};
    });
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::ForeignReply);
    EXPECT_GE(q.seconds, 4.9);
    EXPECT_LE(q.seconds, 6.0);
}

TEST_F(SntpQueryTimeout, AGoodReplyLateInTheWaitIsStillTaken)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        std::vector<std::uint8_t> foreign = FakeSntpServer::MakeReply(ctx, 0.0);
        foreign[31] ^= 0x01;
        return Datagrams{{foreign, 0}, {FakeSntpServer::MakeReply(ctx, 0.0), 3500}};
    });
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_GE(q.seconds, 3.4);
    EXPECT_EQ(server.RequestCount(), 1);
}

} // namespace
