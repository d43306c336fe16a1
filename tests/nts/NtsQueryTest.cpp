// The real query loop with NTS against a scripted server that knows the
// session's keys: only a reply that carries our identifier and verifies is
// taken; whatever else comes first is passed over, a NAK and an ICMP error too.
#include "AesSiv.h"
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LoopbackPorts.h"
#include "NtpExtensionFields.h"
#include "NtsAuthenticator.h"
#include "NtsPacket.h"
#include "NtsReplies.h"
#include "QueryOutcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

using namespace brisvander;
using namespace brisvander::testsupport;
using brisvander::ntstest::FieldsOfType;

namespace {
using Datagrams = std::vector<FakeSntpServer::Datagram>;
constexpr double kServerAhead = 0.25;
constexpr std::uint32_t kShortWaitMs = 1000;

NtsSession Session()
{
    NtsSession s;
    s.ClientToServerKey = Bytes(32, 0xC2);
    s.ServerToClientKey = Bytes(32, 0x5C);
    for (std::uint8_t i = 0; i < 4; ++i)
        s.Cookies.push_back(Bytes(100, static_cast<std::uint8_t>(0xA0 + i)));
    return s;
}

// The Unique Identifier of the request, as the server reads it.
Bytes UniqueIdOf(const FakeReplyContext& ctx)
{
    const auto fields = ParseExtensionFields(ctx.whole, NtpHeaderSize);
    if (fields) {
        for (const NtpExtensionField& f : *fields)
            if (f.Type == static_cast<std::uint16_t>(NtpExtensionType::UniqueIdentifier))
                return Bytes(f.Body.begin(), f.Body.begin() + NtsUniqueIdSize);
    }
    return {};
}

struct Shape {
    bool withUid = true;
    bool otherUid = false;
    bool authenticated = true;
    bool badTag = false;
    bool nak = false;
    std::uint8_t stratum = 2;
};

// A reply as an NTS server builds it: the usual header (version 4), our
// identifier, then the authenticator over all before it with a new cookie
// for the one sent and one for each placeholder.
Bytes NtsReply(const FakeReplyContext& ctx, const Shape& shape)
{
    Bytes packet = FakeSntpServer::MakeReply(ctx, kServerAhead);
    packet[0] = 0x24;
    packet[1] = shape.stratum;
    if (shape.nak) {
        packet[1] = 0;
        std::memcpy(&packet[12], "NTSN", 4);
    }
    Bytes uid = UniqueIdOf(ctx);
    if (shape.otherUid && !uid.empty())
        uid[0] ^= 0xFF;
    if (shape.withUid)
        AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, uid);
    if (!shape.authenticated)
        return packet;
    Bytes plaintext;
    for (std::size_t i = 0; i <= FieldsOfType(ctx, NtpExtensionType::NtsCookiePlaceholder); ++i)
        AppendExtensionField(plaintext, NtpExtensionType::NtsCookie, Bytes(100, 0x77));
    const Bytes nonce(16, 0x4E);
    const ByteView associated[] = {packet, nonce};
    auto sealed = AesSivSeal(Bytes(32, 0x5C), associated, plaintext);
    EXPECT_TRUE(sealed);
    if (shape.badTag && sealed)
        (*sealed)[3] ^= 0x01;
    AppendExtensionField(packet, NtpExtensionType::NtsAuthenticator, BuildAuthenticatorBody(nonce, *sealed));
    return packet;
}

class NtsQuery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0); }

    QueryOutcome Query(std::uint32_t timeoutMs = kShortWaitMs, int port = 0)
    {
        NtsAuthenticator authenticator(session);
        return RunQuery("127.0.0.1", port != 0 ? port : server.Port(), timeoutMs, &authenticator);
    }

    FakeSntpServer server;
    NtsSession session = Session();
};

TEST_F(NtsQuery, AnAuthenticReplyIsTakenAndItsCookieKept)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        // Version 4 with fields after the header: what an NTS request must be.
        EXPECT_EQ(ctx.request[0], 0x23);
        EXPECT_GT(ctx.requestLength, NtpHeaderSize);
        return Datagrams{{NtsReply(ctx, {}), 1}};
    });
    // A full session asks for no placeholder, so the count shows the cookie sent came back.
    session.Cookies.resize(NtsCookiesKept, Bytes(100, 0xA9));
    const std::size_t cookiesBefore = session.Cookies.size();
    const QueryOutcome q = Query();
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_NEAR(q.result.ClockOffset, kServerAhead, 0.02);
    EXPECT_EQ(session.Cookies.size(), cookiesBefore) << "one cookie spent, one received";
}

TEST_F(NtsQuery, WhatCannotProveItselfIsPassedOverForTheTrueReply)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        Shape plain;
        plain.withUid = false;
        plain.authenticated = false;
        Shape noUid;
        noUid.withUid = false;
        Shape otherUid;
        otherUid.otherUid = true;
        Shape badTag;
        badTag.badTag = true;
        Shape marked;
        marked.stratum = 7;
        const Bytes good = NtsReply(ctx, marked);
        return Datagrams{{NtsReply(ctx, plain), 0}, {NtsReply(ctx, noUid), 0}, {NtsReply(ctx, otherUid), 0},
                         {NtsReply(ctx, badTag), 0}, {good, 20}};
    });
    const QueryOutcome q = Query();
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, 7);
}

TEST_F(NtsQuery, OnlyUnprovenRepliesEndWith20005WhenTheWaitIsOver)
{
    server.SetScript([](const FakeReplyContext& ctx) {
        Shape badTag;
        badTag.badTag = true;
        return Datagrams{{FakeSntpServer::MakeReply(ctx, kServerAhead), 0}, {NtsReply(ctx, badTag), 0}};
    });
    const QueryOutcome q = Query();
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::NoAuthenticReply);
    EXPECT_GE(q.seconds, 0.9);
}

// Anyone who saw the request can send a NAK or an ICMP error: each is noted,
// the wait goes on, and it names the failure only when nothing authentic came.
TEST_F(NtsQuery, ANakOrAnIcmpErrorIsNotedAndTheWaitGoesOn)
{
    Shape nak;
    nak.nak = true;
    nak.authenticated = false;
    server.SetScript([nak](const FakeReplyContext& ctx) {
        return Datagrams{{NtsReply(ctx, nak), 0}, {NtsReply(ctx, {}), 300}};
    });
    QueryOutcome q = Query(3000);
    EXPECT_TRUE(q.ok) << "the authentic reply after the NAK, error " << q.error;

    server.SetScript([nak](const FakeReplyContext& ctx) { return Datagrams{{NtsReply(ctx, nak), 0}}; });
    q = Query();
    EXPECT_EQ(q.error, ErrorCode::ServerUnsynchronised);
    EXPECT_GE(q.seconds, 0.9) << "a NAK must not end the wait";
    EXPECT_TRUE(q.unproven);

    // An ICMP "port unreachable": nothing listens on the port.
    const int closedPort = FreeLoopbackUdpPort();
    ASSERT_NE(closedPort, 0);
    q = Query(kShortWaitMs, closedPort);
    EXPECT_EQ(q.error, ErrorCode::ConnectionReset);
    EXPECT_GE(q.seconds, 0.9) << "an ICMP error must not end the wait";
    EXPECT_TRUE(q.unproven);
}

// A full session asks for no extra cookie: the server would seal it between
// stamping its transmit time and sending. One short of eight asks for the rest.
TEST_F(NtsQuery, PlaceholdersBringTheSessionBackToEightCookies)
{
    std::mutex mutex;
    std::vector<std::size_t> asked;
    server.SetScript([&](const FakeReplyContext& ctx) {
        const std::lock_guard lock(mutex);
        asked.push_back(FieldsOfType(ctx, NtpExtensionType::NtsCookiePlaceholder));
        return Datagrams{{NtsReply(ctx, {}), 0}};
    });
    session.Cookies.resize(3);
    ASSERT_TRUE(Query().ok);
    EXPECT_EQ(session.Cookies.size(), 8u);
    ASSERT_TRUE(Query().ok);
    EXPECT_EQ(session.Cookies.size(), 8u);
    const std::lock_guard lock(mutex);
    EXPECT_EQ(asked, (std::vector<std::size_t>{5, 0}));
    EXPECT_EQ(PlaceholdersToKeep(1), 7u) << "all a request may carry";
}

TEST_F(NtsQuery, WithoutACookieNothingIsSent)
{
    session.Cookies.clear();
    const QueryOutcome q = Query();
    EXPECT_FALSE(q.ok);
    EXPECT_EQ(q.error, ErrorCode::KeyExchangeFailed);
    EXPECT_EQ(server.RequestCount(), 0);
}

} // namespace
