#pragma once
// SHA-256 through OpenSSL's EVP interface: the store file's integrity check
// and the name of a trust anchor.
#include "NtsBytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of `data`; empty only when OpenSSL cannot compute it (no memory).
std::optional<Sha256Digest> Sha256Of(ByteView data);

// Two lowercase hexadecimal digits per byte, in order.
std::string HexOf(ByteView data);

} // namespace brisvander
