#pragma once
// NTPv4 extension fields (RFC 7822) as NTS uses them (RFC 8915, section 5):
// type, length of the whole field (a multiple of 4), body. Pure functions.
#include "NtpPacket.h"
#include "NtsBytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace brisvander {

enum class NtpExtensionType : std::uint16_t {
    UniqueIdentifier = 0x0104,
    NtsCookie = 0x0204,
    NtsCookiePlaceholder = 0x0304,
    NtsAuthenticator = 0x0404,
};

inline constexpr std::size_t NtpHeaderSize = NtpPacketSize;
inline constexpr std::size_t NtpExtensionHeaderSize = 4;
// RFC 7822's least field length, for the fields in the clear.
inline constexpr std::size_t NtpExtensionMinLength = 16;

struct NtpExtensionField {
    std::uint16_t Type = 0;
    std::size_t Offset = 0; // of the field's first byte in the buffer that was parsed
    ByteView Body;          // into that buffer; may end in padding
};

// The fields of `data` from `start` to its end. nullopt if a length is not a
// multiple of 4, below `minimumLength` (at least the 4-byte field header),
// runs past the end, or bytes too few for a field header are left over.
std::optional<std::vector<NtpExtensionField>> ParseExtensionFields(ByteView data, std::size_t start,
                                                                   std::size_t minimumLength = NtpExtensionMinLength);

// Appends one field; the body is padded with zeros to a multiple of 4 and
// the field to at least NtpExtensionMinLength bytes.
void AppendExtensionField(Bytes& out, NtpExtensionType type, ByteView body);

// Body of the Authenticator and Encrypted Extension Fields field.
struct NtsAuthenticatorBody {
    ByteView Nonce;
    ByteView Ciphertext; // SIV tag followed by the encrypted fields
};
// nullopt if the nonce or ciphertext (each padded to a multiple of 4) does not fit the body.
std::optional<NtsAuthenticatorBody> ParseAuthenticatorBody(ByteView body);
Bytes BuildAuthenticatorBody(ByteView nonce, ByteView ciphertext);

} // namespace brisvander
