// Sealed requests as a server would check them, and replies as a server (or
// someone else) could send them.
#include "AesSiv.h"
#include "FailureKinds.h"
#include "NtpExtensionFields.h"
#include "NtsKeRecords.h"
#include "NtsPacket.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

using namespace brisvander;
using ntstest::ToHex;
using testsupport::KindOf;

namespace {
constexpr auto kUid = static_cast<std::uint16_t>(NtpExtensionType::UniqueIdentifier);
constexpr auto kCookie = static_cast<std::uint16_t>(NtpExtensionType::NtsCookie);
constexpr auto kPlaceholder = static_cast<std::uint16_t>(NtpExtensionType::NtsCookiePlaceholder);
constexpr auto kAuth = static_cast<std::uint16_t>(NtpExtensionType::NtsAuthenticator);

Bytes ClientHeader()
{
    Bytes h(NtpHeaderSize, 0);
    h[0] = 0x23;
    for (int i = 40; i < 48; ++i)
        h[i] = static_cast<std::uint8_t>(i); // transmit timestamp
    return h;
}

NtsSession Session(std::size_t cookies = 3, std::size_t cookieLength = 100)
{
    NtsSession s;
    s.ClientToServerKey = Bytes(32, 0xC2);
    s.ServerToClientKey = Bytes(32, 0x5C);
    for (std::size_t i = 0; i < cookies; ++i)
        s.Cookies.push_back(Bytes(cookieLength, static_cast<std::uint8_t>(0xA0 + i)));
    return s;
}

Bytes NewCookie(std::uint8_t fill) { return Bytes(100, fill); }

struct ReplyShape {
    std::uint8_t stratum = 2;
    std::string referenceId = "LOCL";
    bool withUid = true;
    bool duplicateUid = false;
    bool withAuthenticator = true;
    bool fieldAfterAuthenticator = false;
    std::vector<Bytes> newCookies{NewCookie(1)};
};

// A reply as the server builds it: header, our identifier, then the
// authenticator over all before it, holding the new cookies encrypted.
Bytes ServerReply(const NtsPendingRequest& pending, ByteView key, const ReplyShape& shape = {})
{
    Bytes packet(NtpHeaderSize, 0);
    packet[0] = 0x24;
    packet[1] = shape.stratum;
    std::copy(shape.referenceId.begin(), shape.referenceId.begin() + 4, packet.begin() + 12);
    if (shape.withUid)
        AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, pending.UniqueId);
    if (shape.duplicateUid)
        AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, pending.UniqueId);
    if (!shape.withAuthenticator)
        return packet;
    Bytes plaintext;
    for (const Bytes& c : shape.newCookies)
        AppendExtensionField(plaintext, NtpExtensionType::NtsCookie, c);
    const Bytes nonce(16, 0x4E);
    const ByteView associated[] = {packet, nonce};
    const auto sealed = AesSivSeal(key, associated, plaintext);
    EXPECT_TRUE(sealed);
    AppendExtensionField(packet, NtpExtensionType::NtsAuthenticator, BuildAuthenticatorBody(nonce, *sealed));
    if (shape.fieldAfterAuthenticator)
        AppendExtensionField(packet, NtpExtensionType::NtsCookie, NewCookie(9));
    return packet;
}

std::vector<std::uint16_t> Types(const std::vector<NtpExtensionField>& fields)
{
    std::vector<std::uint16_t> types;
    for (const auto& f : fields)
        types.push_back(f.Type);
    return types;
}
} // namespace

TEST(NtsSealRequest, LaysOutFieldsAndAServerCanVerifyIt)
{
    NtsSession session = Session(3, 98); // a cookie length that needs padding
    const Bytes firstCookie = session.Cookies.front();
    const Bytes header = ClientHeader();
    const NtsSealedRequest sealed = SealRequest(header, session, 2);
    ASSERT_EQ(KindOf(sealed.Problem), std::nullopt);
    EXPECT_EQ(Bytes(sealed.Packet.begin(), sealed.Packet.begin() + 48), header);

    const auto fields = ParseExtensionFields(sealed.Packet, NtpHeaderSize);
    ASSERT_TRUE(fields);
    EXPECT_EQ(Types(*fields), (std::vector<std::uint16_t>{kUid, kCookie, kPlaceholder, kPlaceholder, kAuth}));
    const auto& f = *fields;
    EXPECT_EQ(ToHex(f[0].Body), ToHex(sealed.Pending.UniqueId));
    EXPECT_EQ(Bytes(f[1].Body.begin(), f[1].Body.begin() + 98), firstCookie);
    EXPECT_EQ(f[1].Body.size(), 100u);
    // A placeholder asks for a cookie as long as the one sent: same field length, zeros.
    EXPECT_EQ(f[2].Body.size(), f[1].Body.size());
    EXPECT_EQ(f[2].Body[0] | f[2].Body[50] | f[3].Body[99], 0);

    const auto auth = ParseAuthenticatorBody(f[4].Body);
    ASSERT_TRUE(auth);
    EXPECT_EQ(auth->Nonce.size(), NtsNonceSize);
    EXPECT_EQ(auth->Ciphertext.size(), AesSivTagSize) << "nothing encrypted: the tag alone";
    const ByteView associated[] = {ByteView(sealed.Packet).first(f[4].Offset), auth->Nonce};
    const auto opened = AesSivOpen(Bytes(32, 0xC2), associated, auth->Ciphertext);
    ASSERT_TRUE(opened) << "the server's check of our authenticator";
    EXPECT_TRUE(opened->empty());

    ASSERT_EQ(session.Cookies.size(), 2u) << "the cookie is used once";
    EXPECT_NE(session.Cookies.front(), firstCookie);
}

TEST(NtsSealRequest, IdentifiersAndNoncesDifferEveryTime)
{
    NtsSession session = Session(2);
    const NtsSealedRequest a = SealRequest(ClientHeader(), session);
    const NtsSealedRequest b = SealRequest(ClientHeader(), session);
    ASSERT_EQ(KindOf(a.Problem), std::nullopt);
    ASSERT_EQ(KindOf(b.Problem), std::nullopt);
    EXPECT_NE(ToHex(a.Pending.UniqueId), ToHex(b.Pending.UniqueId));
    EXPECT_NE(ToHex(ByteView(a.Packet).last(32)), ToHex(ByteView(b.Packet).last(32)));
}

TEST(NtsSealRequest, RefusesAndLeavesTheSessionAlone)
{
    NtsSession session = Session(1);
    Bytes version3 = ClientHeader();
    version3[0] = 0x1B;
    EXPECT_EQ(KindOf(SealRequest(version3, session).Problem), FailureKind::NtsNotSealed);
    EXPECT_EQ(KindOf(SealRequest(ByteView(ClientHeader()).first(47), session).Problem),
              FailureKind::NtsNotSealed);
    EXPECT_EQ(KindOf(SealRequest(ClientHeader(), session, NtsMaxCookies).Problem), FailureKind::NtsNotSealed);
    NtsSession badKey = Session(1);
    badKey.ClientToServerKey.resize(16);
    EXPECT_EQ(KindOf(SealRequest(ClientHeader(), badKey).Problem), FailureKind::NtsNotSealed);
    EXPECT_EQ(badKey.Cookies.size(), 1u);
    EXPECT_EQ(session.Cookies.size(), 1u);

    EXPECT_EQ(KindOf(SealRequest(ClientHeader(), session).Problem), std::nullopt);
    EXPECT_EQ(KindOf(SealRequest(ClientHeader(), session).Problem), FailureKind::NtsCookiesUsedUp);
}

TEST(NtsCheckReply, AuthenticReplyHandsOverItsCookies)
{
    NtsSession session = Session(1);
    const NtsSealedRequest sealed = SealRequest(ClientHeader(), session);
    ReplyShape shape;
    shape.newCookies = {NewCookie(1), NewCookie(2)};
    const Bytes reply = ServerReply(sealed.Pending, session.ServerToClientKey, shape);
    const NtsReplyCheck check = CheckReply(reply, sealed.Pending, session);
    EXPECT_EQ(check.Verdict, NtsReplyVerdict::Authentic) << check.Why;
    EXPECT_EQ(check.CookiesAdded, 2u);
    ASSERT_EQ(session.Cookies.size(), 2u);
    EXPECT_EQ(session.Cookies[1], NewCookie(2));
}

TEST(NtsCheckReply, AnyFlippedByteMakesItNotOurs)
{
    NtsSession session = Session(1);
    const NtsSealedRequest sealed = SealRequest(ClientHeader(), session);
    const Bytes reply = ServerReply(sealed.Pending, session.ServerToClientKey);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        Bytes tampered = reply;
        tampered[i] ^= 0x10;
        NtsSession copy = session;
        const NtsReplyCheck check = CheckReply(tampered, sealed.Pending, copy);
        EXPECT_EQ(check.Verdict, NtsReplyVerdict::NotOurs) << "byte " << i;
        EXPECT_EQ(copy.Cookies.size(), session.Cookies.size()) << "byte " << i;
    }
}

TEST(NtsCheckReply, RepliesThatCannotProveThemselvesAreNotOurs)
{
    NtsSession session = Session(2);
    const NtsSealedRequest sealed = SealRequest(ClientHeader(), session);
    const NtsSealedRequest other = SealRequest(ClientHeader(), session);
    auto verdict = [&](const Bytes& reply) { return CheckReply(reply, sealed.Pending, session).Verdict; };

    EXPECT_EQ(verdict(ServerReply(other.Pending, session.ServerToClientKey)), NtsReplyVerdict::NotOurs)
        << "another request's identifier";
    EXPECT_EQ(verdict(ServerReply(sealed.Pending, session.ClientToServerKey)), NtsReplyVerdict::NotOurs)
        << "sealed with the wrong key";
    ReplyShape noUid;
    noUid.withUid = false;
    EXPECT_EQ(verdict(ServerReply(sealed.Pending, session.ServerToClientKey, noUid)), NtsReplyVerdict::NotOurs);
    ReplyShape twoUids;
    twoUids.duplicateUid = true;
    EXPECT_EQ(verdict(ServerReply(sealed.Pending, session.ServerToClientKey, twoUids)), NtsReplyVerdict::NotOurs);
    ReplyShape unauthenticated;
    unauthenticated.withAuthenticator = false;
    EXPECT_EQ(verdict(ServerReply(sealed.Pending, session.ServerToClientKey, unauthenticated)),
              NtsReplyVerdict::NotOurs);
    ReplyShape trailing;
    trailing.fieldAfterAuthenticator = true;
    EXPECT_EQ(verdict(ServerReply(sealed.Pending, session.ServerToClientKey, trailing)), NtsReplyVerdict::NotOurs)
        << "authenticator not last";
    EXPECT_EQ(verdict(Bytes(47, 0)), NtsReplyVerdict::NotOurs);
    const Bytes full = ServerReply(sealed.Pending, session.ServerToClientKey);
    EXPECT_EQ(verdict(Bytes(full.begin(), full.end() - 4)), NtsReplyVerdict::NotOurs) << "cut short";
}

TEST(NtsCheckReply, NakCarryingOurIdentifierEndsTheQuery)
{
    NtsSession session = Session(2);
    const NtsSealedRequest sealed = SealRequest(ClientHeader(), session);
    const NtsSealedRequest other = SealRequest(ClientHeader(), session);
    ReplyShape nak;
    nak.stratum = 0;
    nak.referenceId = "NTSN";
    nak.withAuthenticator = false;
    const std::size_t cookiesBefore = session.Cookies.size();
    EXPECT_EQ(CheckReply(ServerReply(sealed.Pending, {}, nak), sealed.Pending, session).Verdict,
              NtsReplyVerdict::Nak);
    EXPECT_EQ(session.Cookies.size(), cookiesBefore);
    EXPECT_EQ(CheckReply(ServerReply(other.Pending, {}, nak), sealed.Pending, session).Verdict,
              NtsReplyVerdict::NotOurs)
        << "a NAK for someone else's request";
    ReplyShape otherKiss = nak;
    otherKiss.referenceId = "RATE";
    EXPECT_EQ(CheckReply(ServerReply(sealed.Pending, {}, otherKiss), sealed.Pending, session).Verdict,
              NtsReplyVerdict::NotOurs)
        << "an unauthenticated Kiss-o'-Death other than NTSN";
    ReplyShape stratumTwo = nak;
    stratumTwo.stratum = 2;
    EXPECT_EQ(CheckReply(ServerReply(sealed.Pending, {}, stratumTwo), sealed.Pending, session).Verdict,
              NtsReplyVerdict::NotOurs);
}

TEST(NtsCheckReply, StoresNoMoreThanEightCookies)
{
    NtsSession session = Session(7);
    const NtsSealedRequest sealed = SealRequest(ClientHeader(), session, 3);
    ASSERT_EQ(session.Cookies.size(), 6u);
    ReplyShape shape;
    shape.newCookies = {NewCookie(1), NewCookie(2), NewCookie(3), NewCookie(4)};
    const NtsReplyCheck check = CheckReply(ServerReply(sealed.Pending, session.ServerToClientKey, shape),
                                           sealed.Pending, session);
    EXPECT_EQ(check.Verdict, NtsReplyVerdict::Authentic);
    EXPECT_EQ(check.CookiesAdded, 2u);
    EXPECT_EQ(session.Cookies.size(), NtsMaxCookies);
    EXPECT_EQ(session.Cookies.back(), NewCookie(2));
}
