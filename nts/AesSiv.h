#pragma once
// AEAD_AES_SIV_CMAC_256 (RFC 5297): Nettle's SIV-CMAC in the NTS shape (one
// associated-data string and a nonce), OpenSSL's "AES-128-SIV" otherwise.
// The sealed form is the 16-byte synthetic IV (the tag) followed by the
// ciphertext, as NTS carries it.
#include "NtsBytes.h"

#include <optional>
#include <span>

namespace brisvander {

inline constexpr std::size_t AesSivKeySize = 32;
inline constexpr std::size_t AesSivTagSize = 16;

// Each associated-data component is authenticated separately and in order
// (S2V's vector of strings); a nonce is simply the last component. An empty
// plaintext is supported only with exactly two components (data, nonce), the
// shape NTS uses. nullopt if the key is not 32 bytes or the library fails.
std::optional<Bytes> AesSivSeal(ByteView key, std::span<const ByteView> associatedData, ByteView plaintext);

// The plaintext, or nullopt when the tag does not verify (or the input is
// shorter than a tag, or the key is not 32 bytes). Same rule for an empty
// ciphertext as above.
std::optional<Bytes> AesSivOpen(ByteView key, std::span<const ByteView> associatedData, ByteView sealed);

} // namespace brisvander
