#include "AesSiv.h"

#include "AesSivBackends.h"

namespace brisvander {

namespace {
// A packet and a non-empty nonce: what NTS seals and opens. Nettle does all
// of it, so an NTS exchange with a kept session never pays for OpenSSL's
// first-use set-up (some 3 ms a process); OpenSSL does the other shapes
// except an empty plaintext, which it cannot finish.
bool InNtsShape(std::span<const ByteView> associatedData)
{
    return associatedData.size() == 2 && !associatedData[1].empty();
}
} // namespace

std::optional<Bytes> AesSivSeal(ByteView key, std::span<const ByteView> associatedData, ByteView plaintext)
{
    if (InNtsShape(associatedData))
        return sivbackend::NettleSeal(key, associatedData[0], associatedData[1], plaintext);
    if (!plaintext.empty())
        return sivbackend::OpenSslSeal(key, associatedData, plaintext);
    return std::nullopt;
}

std::optional<Bytes> AesSivOpen(ByteView key, std::span<const ByteView> associatedData, ByteView sealed)
{
    if (InNtsShape(associatedData))
        return sivbackend::NettleOpen(key, associatedData[0], associatedData[1], sealed);
    if (sealed.size() != AesSivTagSize)
        return sivbackend::OpenSslOpen(key, associatedData, sealed);
    return std::nullopt;
}

} // namespace brisvander
