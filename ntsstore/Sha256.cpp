#include "Sha256.h"

#include <openssl/evp.h>

namespace brisvander {

std::optional<Sha256Digest> Sha256Of(ByteView data)
{
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size())
        return std::nullopt;
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
