#include "Sha256.h"

#include <nettle/sha2.h>

namespace brisvander {

std::optional<Sha256Digest> Sha256Of(ByteView data)
{
    Sha256Hasher hasher;
    hasher.Add(data);
    return hasher.Finish();
}

Sha256Hasher::Sha256Hasher() { sha256_init(&m_ctx); }

void Sha256Hasher::Add(ByteView data) { sha256_update(&m_ctx, data.size(), data.data()); }

Sha256Digest Sha256Hasher::Finish()
{
    Sha256Digest digest{};
    sha256_digest(&m_ctx, digest.size(), digest.data());
    return digest;
}

std::string HexOf(ByteView data)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(data.size() * 2);
    for (std::uint8_t byte : data) {
        hex.push_back(digits[byte >> 4]);
        hex.push_back(digits[byte & 0x0F]);
    }
    return hex;
}

} // namespace brisvander
