#include "NtsPacket.h"

#include "AesSiv.h"
#include "NtpExtensionFields.h"
#include "NtsKeRecords.h"
#include "SecureRandom.h"

#include <algorithm>

namespace brisvander {
namespace {
constexpr std::uint32_t kNakReferenceId = 0x4E54534E; // "NTSN"

bool IsVersion4(ByteView header) { return ParseNtpReply(header.data(), header.size()).Version == 4; }

NtsReplyCheck NotOurs(const char* why) { return {NtsReplyVerdict::NotOurs, 0, why}; }

// A Kiss-o'-Death "NTSN": the server no longer knows our cookie.
bool IsNak(ByteView datagram)
{
    const NtpReply reply = ParseNtpReply(datagram.data(), datagram.size());
    return reply.Stratum == 0 && reply.ReferenceId == kNakReferenceId;
}

// Counts Unique Identifier fields and whether one of them is ours.
bool CarriesOnlyOurIdentifier(const std::vector<NtpExtensionField>& fields, const NtsPendingRequest& pending)
{
    int identifiers = 0;
    bool ours = false;
    for (const NtpExtensionField& field : fields) {
        if (field.Type != static_cast<std::uint16_t>(NtpExtensionType::UniqueIdentifier))
            continue;
        ++identifiers;
        ours = field.Body.size() == NtsUniqueIdSize &&
               std::equal(field.Body.begin(), field.Body.end(), pending.UniqueId.begin());
    }
    return identifiers == 1 && ours;
}

std::size_t KeepCookies(const std::vector<NtpExtensionField>& fields, NtsSession& session)
{
    std::size_t added = 0;
    for (const NtpExtensionField& field : fields) {
        if (field.Type != static_cast<std::uint16_t>(NtpExtensionType::NtsCookie) || field.Body.empty())
            continue;
        if (session.Cookies.size() >= NtsMaxCookies)
            break;
        session.Cookies.emplace_back(field.Body.begin(), field.Body.end());
        ++added;
    }
    return added;
}
} // namespace

NtsSealedRequest SealRequest(ByteView header, NtsSession& session, std::size_t placeholders)
{
    NtsSealedRequest sealed;
    auto refused = [&sealed](FailureKind kind) {
        sealed.Problem = KeyExchangeFailure(kind);
        return sealed;
    };
    // A header of another version, or too many placeholders, is a caller's mistake.
    if (header.size() != NtpHeaderSize || !IsVersion4(header) || placeholders >= NtsMaxCookies)
        return refused(FailureKind::NtsNotSealed);
    if (session.Cookies.empty())
        return refused(FailureKind::NtsCookiesUsedUp);
    std::array<std::uint8_t, NtsNonceSize> nonce{};
    if (!FillRandom(sealed.Pending.UniqueId) || !FillRandom(nonce))
        return refused(FailureKind::NtsNoRandomNumbers);
    const Bytes& cookie = session.Cookies.front();
    Bytes packet(header.begin(), header.end());
    AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, sealed.Pending.UniqueId);
    AppendExtensionField(packet, NtpExtensionType::NtsCookie, cookie);
    const Bytes zeros(cookie.size(), 0);
    for (std::size_t i = 0; i < placeholders; ++i)
        AppendExtensionField(packet, NtpExtensionType::NtsCookiePlaceholder, zeros);

    const ByteView associated[] = {packet, nonce};
    const auto tag = AesSivSeal(session.ClientToServerKey, associated, {});
    if (!tag)
        return refused(FailureKind::NtsNotSealed);
    AppendExtensionField(packet, NtpExtensionType::NtsAuthenticator, BuildAuthenticatorBody(nonce, *tag));
    session.Cookies.erase(session.Cookies.begin());
    sealed.Packet = std::move(packet);
    return sealed;
}

NtsReplyCheck CheckReply(ByteView datagram, const NtsPendingRequest& pending, NtsSession& session)
{
    if (datagram.size() < NtpHeaderSize)
        return NotOurs("shorter than an NTP header");
    const auto fields = ParseExtensionFields(datagram, NtpHeaderSize);
    if (!fields)
        return NotOurs("malformed extension fields");
    if (!CarriesOnlyOurIdentifier(*fields, pending))
        return NotOurs("not our unique identifier");

    const auto authenticator = std::find_if(fields->begin(), fields->end(), [](const NtpExtensionField& f) {
        return f.Type == static_cast<std::uint16_t>(NtpExtensionType::NtsAuthenticator);
    });
    if (authenticator == fields->end())
        return IsNak(datagram) ? NtsReplyCheck{NtsReplyVerdict::Nak, 0, ""} : NotOurs("no authenticator");
    // Fields after the authenticator would not be covered by its tag.
    if (authenticator != fields->end() - 1)
        return NotOurs("authenticator is not the last field");
    const auto body = ParseAuthenticatorBody(authenticator->Body);
    if (!body || body->Nonce.size() < NtsNonceSize)
        return NotOurs("malformed authenticator");

    const ByteView associated[] = {datagram.first(authenticator->Offset), body->Nonce};
    const auto plaintext = AesSivOpen(session.ServerToClientKey, associated, body->Ciphertext);
    if (!plaintext)
        return NotOurs("authenticator does not verify");
    // Inside the authenticator RFC 7822's minimum length does not apply.
    const auto inner = ParseExtensionFields(*plaintext, 0, NtpExtensionHeaderSize);
    if (!inner)
        return NotOurs("malformed encrypted extension fields");
    return {NtsReplyVerdict::Authentic, KeepCookies(*inner, session), ""};
}

} // namespace brisvander
