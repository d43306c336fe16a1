// The real QueryServer failing: the server's refusal, discarded replies and
// the number left when the wait ends, closed ports, bad host names and ports.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "QueryOutcome.h"

#include <gtest/gtest.h>

#include <string>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Bytes = std::vector<std::uint8_t>;
using Datagrams = std::vector<FakeSntpServer::Datagram>;

// The discarding rules do not depend on how long the wait is; a short one
// keeps these cases quick (the full five seconds are tested on their own).
constexpr std::uint32_t kShortWaitMs = 1000;

Bytes Good(const FakeReplyContext& ctx) { return FakeSntpServer::MakeReply(ctx, 0.0); }

Bytes Foreign(const FakeReplyContext& ctx)
{
    Bytes bytes = Good(ctx);
    bytes[31] ^= 0x01;
    return bytes;
}

Bytes Unsynchronised(const FakeReplyContext& ctx, int which)
{
    Bytes bytes = Good(ctx);
    switch (which) {
    case 0: bytes[0] = 0xDC; break;                                        // LI 3
    case 1: bytes[1] = 0; std::copy_n("DENY", 4, bytes.begin() + 12); break; // kiss-o'-death
    case 2: bytes[1] = 16; break;
    case 3: std::fill(bytes.begin() + 40, bytes.end(), 0); break;          // no transmit stamp
    default: bytes[4] = 0; bytes[5] = 0x20; bytes[6] = 0; bytes[7] = 0; break; // root delay 32 s
    }
    return bytes;
}

class SntpQueryFailure : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(KeepNameLookupsLocal()); }
    void SetUp() override { ASSERT_NE(server.Port(), 0) << "the fake server could not bind"; }

    void ExpectDiscardedThenFailure(Datagrams (*script)(const FakeReplyContext&), std::uint32_t expected)
    {
        server.SetScript(script);
        const QueryOutcome q = RunQuery("127.0.0.1", server.Port(), kShortWaitMs);
        EXPECT_FALSE(q.ok);
        EXPECT_EQ(q.error, expected);
        EXPECT_GE(q.seconds, 0.9) << "gave up before the wait was over";
    }

    FakeSntpServer server;
};

TEST_F(SntpQueryFailure, AnUnsynchronisedServerFailsAtOnceWith20003)
{
    for (int which = 0; which < 5; ++which) {
        // Were the first reply discarded, the good one would be taken and the query succeed.
        server.SetScript([which](const FakeReplyContext& ctx) {
            return Datagrams{{Unsynchronised(ctx, which), 0}, {Good(ctx), 300}};
        });
        const QueryOutcome q = RunQuery("127.0.0.1", server.Port());
        EXPECT_FALSE(q.ok) << "case " << which;
        EXPECT_EQ(q.error, ErrorCode::ServerUnsynchronised) << "case " << which;
    }
}

TEST_F(SntpQueryFailure, TooShortRepliesAreMalformed)
{
    ExpectDiscardedThenFailure([](const FakeReplyContext&) { return Datagrams{{Bytes(1, 0x1C), 0}}; },
                               ErrorCode::MalformedReply);
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{FakeSntpServer::MakeReply(ctx, 0.0, 47), 0}}; },
        ErrorCode::MalformedReply);
}

TEST_F(SntpQueryFailure, TooLongRepliesAreMalformed)
{
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{FakeSntpServer::MakeReply(ctx, 0.0, 69), 0}}; },
        ErrorCode::MalformedReply);
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{FakeSntpServer::MakeReply(ctx, 0.0, 1000), 0}}; },
        ErrorCode::MalformedReply);
}

TEST_F(SntpQueryFailure, AllOnesAndNonServerModesAreMalformed)
{
    ExpectDiscardedThenFailure([](const FakeReplyContext&) { return Datagrams{{Bytes(48, 0xFF), 0}}; },
                               ErrorCode::MalformedReply);
    // Our own request echoed back (client mode, originate zero).
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{Bytes(ctx.request.begin(), ctx.request.end()), 0}}; },
        ErrorCode::MalformedReply);
}

TEST_F(SntpQueryFailure, AReplyToSomeoneElsesRequestIsForeign)
{
    ExpectDiscardedThenFailure([](const FakeReplyContext& ctx) { return Datagrams{{Foreign(ctx), 0}}; },
                               ErrorCode::ForeignReply);
}

TEST_F(SntpQueryFailure, TheLastDiscardedReplyNamesTheFailure)
{
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{Foreign(ctx), 0}, {Bytes(47, 0x1C), 10}}; },
        ErrorCode::MalformedReply);
    ExpectDiscardedThenFailure(
        [](const FakeReplyContext& ctx) { return Datagrams{{Bytes(47, 0x1C), 0}, {Foreign(ctx), 10}}; },
        ErrorCode::ForeignReply);
}

// A reply that contradicts itself (the server claims to have held the request
// longer than the round trip took) is passed over like a malformed one.
TEST_F(SntpQueryFailure, AReplyThatContradictsItselfIsPassedOverForTheTrueOne)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        Bytes heldTooLong = Good(ctx);
        const NtpTimestamp received = NtpTimestamp::FromNetworkOrder(&heldTooLong[32]);
        received.AddSeconds(0.0625).ToNetworkOrder(&heldTooLong[40]);
        Bytes good = Good(ctx);
        good[1] = 7;
        return Datagrams{{heldTooLong, 0}, {good, 70}};
    });
    const QueryOutcome q = RunQuery("127.0.0.1", server.Port(), kShortWaitMs);
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, 7);
    EXPECT_GE(q.result.RoundtripDelay, 0.0);

    server.SetScript([](const FakeReplyContext& ctx) {
        Bytes backwards = Good(ctx);
        const NtpTimestamp received = NtpTimestamp::FromNetworkOrder(&backwards[32]);
        received.AddSeconds(-0.001).ToNetworkOrder(&backwards[40]);
        return Datagrams{{backwards, 0}};
    });
    const QueryOutcome alone = RunQuery("127.0.0.1", server.Port(), kShortWaitMs);
    EXPECT_FALSE(alone.ok);
    EXPECT_EQ(alone.error, ErrorCode::MalformedReply);
}

TEST_F(SntpQueryFailure, AClosedPortGives10054)
{
    const int port = ClosedUdpPort();
    ASSERT_NE(port, 0);
    const QueryOutcome q = RunQuery("127.0.0.1", port);
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::ConnectionReset);
    EXPECT_LT(q.seconds, 4.0) << "the refusal should end the wait, not the time-out";
}

TEST_F(SntpQueryFailure, ANameThatDoesNotResolveGives11001)
{
    const QueryOutcome q = RunQuery("nonexistent.invalid", server.Port());
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::HostNotFound);
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(SntpQueryFailure, BadHostTextFailsWithANumberAndSendsNothing)
{
    const std::string longName(300, 'a');
    const std::string longDotted = std::string(250, 'b') + ".invalid." + std::string(40, 'c');
    for (const std::string& host : {std::string(), longName, longDotted, std::string("no such host"),
                                    std::string("Zeitgeber-Straße.invalid"), std::string("\xFF\xFE\x01"),
                                    std::string("999.999.999.999"), std::string("."),
                                    std::string("127.0.0.1 evil")}) {
        const QueryOutcome q = RunQuery(host.c_str(), server.Port());
        EXPECT_FALSE(q.ok) << "host '" << host << "'";
        EXPECT_NE(q.error, 0u) << "host '" << host << "'";
        EXPECT_NE(q.error, 0xDEADBEEFu) << "host '" << host << "': no error number left";
    }
    const QueryOutcome none = RunQuery(nullptr, server.Port());
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, ErrorCode::HostNotFound);
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(SntpQueryFailure, PortZeroIsRefused)
{
    const QueryOutcome q = RunQuery("127.0.0.1", 0, kShortWaitMs);
    EXPECT_FALSE(q.ok);
    EXPECT_NE(q.error, 0u);
    EXPECT_NE(q.error, 0xDEADBEEFu);
}

// Known fault, kept disabled until UdpSocket::Connect checks the port range:
// the port is cut to 16 bits, so 65536 + p queries port p and -1 port 65535.
TEST_F(SntpQueryFailure, PortsOutsideOneTo65535AreRefusedNotWrapped)
{
    for (const int port : {-1, server.Port() + 65536, server.Port() - 65536}) {
        const QueryOutcome q = RunQuery("127.0.0.1", port, kShortWaitMs);
        EXPECT_FALSE(q.ok) << "port " << port;
        EXPECT_NE(q.error, 0xDEADBEEFu) << "port " << port << ": no error number left";
        EXPECT_LT(q.seconds, 0.5) << "port " << port << ": refused only by what listens there";
    }
    EXPECT_EQ(server.RequestCount(), 0);
}

} // namespace
