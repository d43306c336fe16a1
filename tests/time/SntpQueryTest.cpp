// The real QueryServer against the fake server: successful exchanges, what
// goes on the wire, and replies that must be passed over on the way.
#include "FakeSntpServer.h"
#include "NtpPacket.h"
#include "QueryOutcome.h"
#include "ReferenceClock.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Datagrams = std::vector<FakeSntpServer::Datagram>;

// The fake server stamps in user space after waking up, so a busy machine
// skews its figures by a few milliseconds at most.
constexpr double kLoopbackTolerance = 0.02;

// Timestamps placed in the reply relative to the request's own stamp, so two
// exchanges can be compared field by field.
std::vector<std::uint8_t> ReplyWithKnownStamps(const FakeReplyContext& ctx, std::size_t length)
{
    std::vector<std::uint8_t> bytes = FakeSntpServer::MakeReply(ctx, 0.0, length);
    const NtpTimestamp t1 = NtpTimestamp::FromNetworkOrder(&ctx.request[40]);
    ShiftedBy(t1, 1.0).ToNetworkOrder(&bytes[32]);
    ShiftedBy(t1, 1.001).ToNetworkOrder(&bytes[40]);
    bytes[1] = 9;
    return bytes;
}

std::vector<std::uint8_t> Spoiled(std::vector<std::uint8_t> bytes, std::size_t at, std::uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

class SntpQuery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0) << "the fake server could not bind"; }
    FakeSntpServer server;
};

TEST_F(SntpQuery, ASameClockServerGivesZeroOffsetAndASmallDelay)
{
    const NtpTimestamp before = RealClockPlus(0.0);
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    const NtpTimestamp after = RealClockPlus(0.0);
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.LeapIndicator, 0);
    EXPECT_EQ(q.result.Stratum, 2);
    EXPECT_NEAR(q.result.ClockOffset, 0.0, kLoopbackTolerance);
    EXPECT_GE(q.result.RoundtripDelay, 0.0);
    EXPECT_LT(q.result.RoundtripDelay, 0.5);
    // T1 and T4 are real clock readings at full resolution, in order.
    EXPECT_GE(q.result.OriginateTimestamp.Value(), before.Value());
    EXPECT_LE(q.result.DestinationTimestamp.Value(), after.Value());
    EXPECT_LT(q.result.OriginateTimestamp.Value(), q.result.DestinationTimestamp.Value());
    EXPECT_EQ(server.RequestCount(), 1);
}

TEST_F(SntpQuery, SendsTheClientHeaderAndItsTransmitStampOnly)
{
    std::mutex m;
    FakeReplyContext seen;
    server.SetScript([&](const FakeReplyContext& ctx) {
        std::lock_guard<std::mutex> lock(m);
        seen = ctx;
        return Datagrams{{FakeSntpServer::MakeReply(ctx, 0.0), 0}};
    });
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    std::lock_guard<std::mutex> lock(m);
    EXPECT_EQ(seen.requestLength, 48u);
    EXPECT_EQ(seen.request[0], 0x1B);
    for (std::size_t i = 1; i < 40; ++i)
        EXPECT_EQ(seen.request[i], 0) << "byte " << i;
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(&seen.request[40]), q.result.OriginateTimestamp);
}

TEST_F(SntpQuery, MeasuresAServerAheadOrBehind)
{
    for (const double offset : {2.5, -2.5, 3600.25}) {
        server.SetClockOffset(offset);
        const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
        ASSERT_TRUE(q.ok) << "error " << q.error;
        EXPECT_NEAR(q.result.ClockOffset, offset, kLoopbackTolerance);
        EXPECT_GE(q.result.RoundtripDelay, 0.0);
        EXPECT_LT(q.result.RoundtripDelay, 0.5);
        EXPECT_NEAR(q.result.TransmitTimestamp.Difference(q.result.DestinationTimestamp), offset, 0.5);
    }
}

TEST_F(SntpQuery, AnAuthenticatorAfterTheMessageChangesNothing)
{
    std::atomic<std::size_t> length{48};
    // Sent after the millisecond its stamps say the server held the request.
    server.SetScript([&](const FakeReplyContext& ctx) { return Datagrams{{ReplyWithKnownStamps(ctx, length), 2}}; });
    const QueryOutcome plain = RunQuery("127.0.0.1", server.Port());
    length = 68;
    const QueryOutcome authenticated = RunQuery("127.0.0.1", server.Port());
    ASSERT_TRUE(plain.ok) << "error " << plain.error;
    ASSERT_TRUE(authenticated.ok) << "error " << authenticated.error;
    for (const QueryOutcome* q : {&plain, &authenticated}) {
        EXPECT_EQ(q->result.Stratum, 9);
        EXPECT_EQ(q->result.ReceiveTimestamp, ShiftedBy(q->result.OriginateTimestamp, 1.0));
        EXPECT_EQ(q->result.TransmitTimestamp, ShiftedBy(q->result.OriginateTimestamp, 1.001));
    }
}

TEST_F(SntpQuery, PassesOverRepliesThatCannotProveTheyAnswerAndTakesTheGoodOne)
{
    server.SetClockOffset(1.5);
    server.SetScript([](const FakeReplyContext& ctx) {
        const std::vector<std::uint8_t> good = FakeSntpServer::MakeReply(ctx, 1.5);
        std::vector<std::uint8_t> foreign = good;
        foreign[31] ^= 0x01;
        // Fails every check at once except the origin: must still be discarded.
        std::vector<std::uint8_t> foreignUnsynchronised = Spoiled(foreign, 0, 0xDC);
        foreignUnsynchronised[1] = 0;
        return Datagrams{{{0x1C}, 0},
                         {std::vector<std::uint8_t>(1000, 0x1C), 0},
                         {std::vector<std::uint8_t>(48, 0xFF), 0},
                         {Spoiled(good, 0, 0x1B), 0}, // client mode
                         {foreign, 0},
                         {foreignUnsynchronised, 0},
                         {good, 20}};
    });
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, 2);
    EXPECT_NEAR(q.result.ClockOffset, 1.5, 0.05);
}

TEST_F(SntpQuery, LocalhostIsResolvedAndShortDottedFormsAreTakenAsAddresses)
{
    for (const char* host : {"localhost", "127.1", "2130706433"}) {
        const QueryOutcome q = RunQuery(host, server.Port());
        EXPECT_TRUE(q.ok) << host << ": error " << q.error;
    }
}

} // namespace
