#pragma once
// SHA-256 (Nettle's: a run with a kept session then never sets OpenSSL up):
// the store file's integrity check and the name of a trust anchor.
#include "NtsBytes.h"

#include <nettle/sha2.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of `data`; never empty (the optional stays for its callers).
std::optional<Sha256Digest> Sha256Of(ByteView data);

// A digest over data given in parts.
class Sha256Hasher {
public:
    Sha256Hasher();
    void Add(ByteView data);
    Sha256Digest Finish(); // the digest of all added so far; the hasher starts again
private:
    sha256_ctx m_ctx;
};

// Two lowercase hexadecimal digits per byte, in order.
std::string HexOf(ByteView data);

} // namespace brisvander
