#pragma once
// The two AES-SIV implementations behind AesSivSeal / AesSivOpen. OpenSSL 3.0
// cannot finish SIV over an empty plaintext (its cipher skips a zero-length
// update, so no tag is ever made), and an NTS request always has one; Nettle's
// SIV-CMAC can, but only in the NTS shape: one associated-data string and a
// nonce. Tests hold the two against each other.
#include "NtsBytes.h"

#include <optional>
#include <span>

namespace brisvander::sivbackend {

// Any number of associated-data components; the plaintext must not be empty.
std::optional<Bytes> OpenSslSeal(ByteView key, std::span<const ByteView> associatedData, ByteView plaintext);
std::optional<Bytes> OpenSslOpen(ByteView key, std::span<const ByteView> associatedData, ByteView sealed);

// S2V over (associatedData, nonce, plaintext); the plaintext may be empty.
std::optional<Bytes> NettleSeal(ByteView key, ByteView associatedData, ByteView nonce, ByteView plaintext);
std::optional<Bytes> NettleOpen(ByteView key, ByteView associatedData, ByteView nonce, ByteView sealed);

} // namespace brisvander::sivbackend
