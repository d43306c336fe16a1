// Feeds datagrams to the NTS reply check. Input: one flag byte, then data.
// Flag bit 0 clear: the data is the datagram, as anyone could send it.
// Flag bit 0 set: the data is split at its first byte (times 4, at least 48)
// into the part in the clear and the plaintext of the encrypted fields; the
// target appends our identifier and an authenticator sealed with the right
// key, so the fuzzer reaches the decrypted fields, and checks the verdict
// against what the parts say.
#include "AesSiv.h"
#include "NtpExtensionFields.h"
#include "NtsPacket.h"

#include <algorithm>
#include <cstdlib>

using namespace brisvander;

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

NtsSession FixedSession(std::size_t cookies)
{
    NtsSession session;
    session.ClientToServerKey = Bytes(AesSivKeySize, 0xC2);
    session.ServerToClientKey = Bytes(AesSivKeySize, 0x5C);
    session.Cookies.assign(cookies, Bytes(64, 0xAA));
    return session;
}

NtsPendingRequest FixedRequest()
{
    NtsPendingRequest pending;
    pending.UniqueId.fill(0x55);
    return pending;
}

// What CheckReply must say about a reply whose authenticator verifies.
bool ShouldBeAuthentic(ByteView beforeAuthenticator, ByteView plaintext, const NtsPendingRequest& pending)
{
    const auto clear = ParseExtensionFields(beforeAuthenticator, NtpHeaderSize);
    if (!clear || !ParseExtensionFields(plaintext, 0, NtpExtensionHeaderSize))
        return false;
    // Our identifier may have been swallowed by a field of the clear part, and another one shown instead.
    int identifiers = 0;
    bool ours = false;
    for (const NtpExtensionField& f : *clear) {
        if (f.Type == static_cast<std::uint16_t>(NtpExtensionType::NtsAuthenticator))
            return false;
        if (f.Type != static_cast<std::uint16_t>(NtpExtensionType::UniqueIdentifier))
            continue;
        ++identifiers;
        ours = std::equal(f.Body.begin(), f.Body.end(), pending.UniqueId.begin(), pending.UniqueId.end());
    }
    return identifiers == 1 && ours;
}

void SealedReply(ByteView data)
{
    const std::size_t clearLength = data.empty() ? 0 : std::max<std::size_t>(NtpHeaderSize, data[0] * 4u);
    if (data.size() < 1 + clearLength)
        return;
    const NtsPendingRequest pending = FixedRequest();
    Bytes packet(data.begin() + 1, data.begin() + 1 + static_cast<long>(clearLength));
    AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, pending.UniqueId);
    const ByteView plaintext = data.subspan(1 + clearLength);
    const Bytes nonce(NtsNonceSize, 0x4E);
    const ByteView associated[] = {packet, nonce};
    const auto sealed = AesSivSeal(Bytes(AesSivKeySize, 0x5C), associated, plaintext);
    Require(sealed.has_value());
    const Bytes before = packet;
    AppendExtensionField(packet, NtpExtensionType::NtsAuthenticator, BuildAuthenticatorBody(nonce, *sealed));

    NtsSession session = FixedSession(3);
    const NtsReplyCheck check = CheckReply(packet, pending, session);
    const bool authentic = check.Verdict == NtsReplyVerdict::Authentic;
    Require(authentic == ShouldBeAuthentic(before, plaintext, pending));
    Require(session.Cookies.size() == 3 + check.CookiesAdded && session.Cookies.size() <= NtsMaxCookies);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const ByteView rest(data + 1, size - 1);
    if (data[0] & 1) {
        SealedReply(rest);
        return 0;
    }
    NtsSession session = FixedSession(7);
    const NtsReplyCheck check = CheckReply(rest, FixedRequest(), session);
    // Without the key nothing can pass as authentic; a NAK must look like one.
    Require(check.Verdict != NtsReplyVerdict::Authentic);
    Require(session.Cookies.size() == 7);
    if (check.Verdict == NtsReplyVerdict::Nak)
        Require(rest.size() >= NtpHeaderSize && rest[1] == 0 && rest[12] == 'N' && rest[15] == 'N');
    const auto fields = ParseExtensionFields(rest, NtpHeaderSize);
    if (fields)
        for (const NtpExtensionField& f : *fields)
            Require(f.Offset + 4 + f.Body.size() <= rest.size() && (f.Body.size() + 4) % 4 == 0);
    return 0;
}
