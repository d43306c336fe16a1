#include "NtsReplies.h"

#include "AesSiv.h"

#include <algorithm>
#include <cstring>

namespace brisvander::ntstest {

using testsupport::FakeReplyContext;
using testsupport::FakeSntpServer;

namespace {
Bytes HeaderWithIdentifier(const FakeReplyContext& ctx, double ahead)
{
    Bytes packet = FakeSntpServer::MakeReply(ctx, ahead);
    packet[0] = 0x24;
    AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier,
                         FirstFieldOfType(ctx, NtpExtensionType::UniqueIdentifier));
    return packet;
}
} // namespace

std::size_t FieldsOfType(const FakeReplyContext& ctx, NtpExtensionType type)
{
    const auto fields = ParseExtensionFields(ctx.whole, NtpHeaderSize);
    if (!fields)
        return 0;
    return static_cast<std::size_t>(std::count_if(fields->begin(), fields->end(), [type](const auto& field) {
        return field.Type == static_cast<std::uint16_t>(type);
    }));
}

Bytes FirstFieldOfType(const FakeReplyContext& ctx, NtpExtensionType type)
{
    const auto fields = ParseExtensionFields(ctx.whole, NtpHeaderSize);
    if (fields) {
        for (const NtpExtensionField& field : *fields)
            if (field.Type == static_cast<std::uint16_t>(type))
                return Bytes(field.Body.begin(), field.Body.end());
    }
    return {};
}

Bytes AuthenticReply(const FakeReplyContext& ctx, ByteView serverToClientKey, const std::function<Bytes()>& nextCookie,
                     double ahead)
{
    Bytes packet = HeaderWithIdentifier(ctx, ahead);
    Bytes plaintext;
    for (std::size_t i = 0; i <= FieldsOfType(ctx, NtpExtensionType::NtsCookiePlaceholder); ++i)
        AppendExtensionField(plaintext, NtpExtensionType::NtsCookie, nextCookie());
    const Bytes nonce(16, 0x4E);
    const ByteView associated[] = {packet, nonce};
    const auto sealed = AesSivSeal(serverToClientKey, associated, plaintext);
    if (!sealed)
        return {};
    AppendExtensionField(packet, NtpExtensionType::NtsAuthenticator, BuildAuthenticatorBody(nonce, *sealed));
    return packet;
}

Bytes NakReply(const FakeReplyContext& ctx)
{
    Bytes packet = HeaderWithIdentifier(ctx, 0.0);
    packet[1] = 0;
    std::memcpy(&packet[12], "NTSN", 4);
    return packet;
}

} // namespace brisvander::ntstest
