#include "AesSiv.h"

#include "AesSivBackends.h"

namespace brisvander {

// OpenSSL does everything it can; Nettle only the empty plaintext, which in
// NTS always comes with exactly a packet and a nonce.
std::optional<Bytes> AesSivSeal(ByteView key, std::span<const ByteView> associatedData, ByteView plaintext)
{
    if (!plaintext.empty())
        return sivbackend::OpenSslSeal(key, associatedData, plaintext);
    if (associatedData.size() == 2)
        return sivbackend::NettleSeal(key, associatedData[0], associatedData[1], plaintext);
    return std::nullopt;
}

std::optional<Bytes> AesSivOpen(ByteView key, std::span<const ByteView> associatedData, ByteView sealed)
{
    if (sealed.size() != AesSivTagSize)
        return sivbackend::OpenSslOpen(key, associatedData, sealed);
    if (associatedData.size() == 2)
        return sivbackend::NettleOpen(key, associatedData[0], associatedData[1], sealed);
    return std::nullopt;
}

} // namespace brisvander
