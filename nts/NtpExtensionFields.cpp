#include "NtpExtensionFields.h"

#include <algorithm>

namespace brisvander {

std::optional<std::vector<NtpExtensionField>> ParseExtensionFields(ByteView data, std::size_t start,
                                                                   std::size_t minimumLength)
{
    minimumLength = std::max(minimumLength, NtpExtensionHeaderSize);
    if (start > data.size())
        return std::nullopt;
    std::vector<NtpExtensionField> fields;
    std::size_t at = start;
    while (at < data.size()) {
        if (data.size() - at < NtpExtensionHeaderSize)
            return std::nullopt;
        const std::size_t length = ReadU16(data, at + 2);
        if (length % 4 != 0 || length < minimumLength || length > data.size() - at)
            return std::nullopt;
        fields.push_back({ReadU16(data, at), at, data.subspan(at + NtpExtensionHeaderSize, length - NtpExtensionHeaderSize)});
        at += length;
    }
    return fields;
}

void AppendExtensionField(Bytes& out, NtpExtensionType type, ByteView body)
{
    const std::size_t length = std::max(RoundUpTo4(NtpExtensionHeaderSize + body.size()), NtpExtensionMinLength);
    AppendU16(out, static_cast<std::uint16_t>(type));
    AppendU16(out, static_cast<std::uint16_t>(length));
    AppendBytes(out, body);
    out.resize(out.size() + length - NtpExtensionHeaderSize - body.size(), 0);
}

std::optional<NtsAuthenticatorBody> ParseAuthenticatorBody(ByteView body)
{
    if (body.size() < 4)
        return std::nullopt;
    const std::size_t nonceLength = ReadU16(body, 0);
    const std::size_t ciphertextLength = ReadU16(body, 2);
    const std::size_t nonceSpace = RoundUpTo4(nonceLength);
    if (nonceSpace + RoundUpTo4(ciphertextLength) > body.size() - 4)
        return std::nullopt;
    return NtsAuthenticatorBody{body.subspan(4, nonceLength), body.subspan(4 + nonceSpace, ciphertextLength)};
}

Bytes BuildAuthenticatorBody(ByteView nonce, ByteView ciphertext)
{
    Bytes body;
    AppendU16(body, static_cast<std::uint16_t>(nonce.size()));
    AppendU16(body, static_cast<std::uint16_t>(ciphertext.size()));
    AppendBytes(body, nonce);
    body.resize(4 + RoundUpTo4(nonce.size()), 0);
    AppendBytes(body, ciphertext);
    body.resize(body.size() + RoundUpTo4(ciphertext.size()) - ciphertext.size(), 0);
    return body;
}

} // namespace brisvander
