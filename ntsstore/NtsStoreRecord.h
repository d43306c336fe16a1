#pragma once
// One stored NTS session and the bytes of its file: a magic, a version, the
// fields, and a SHA-256 over all of it, so that a torn, foreign or altered
// file is told apart from a session. Pure functions.
#include "NtsBytes.h"
#include "NtsSession.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace brisvander {

struct NtsStoreRecord {
    std::string Host;                  // key-exchange host as typed, blanks around it removed
    std::uint16_t KeyExchangePort = 0; // its TCP port
    std::string Trust;                 // what the certificate was verified with (NtsTrustIdentity.h)
    std::int64_t KeyExchangeTime = 0;  // end of the key exchange, UTC Unix seconds by the local clock
    std::uint16_t Aead = 0;            // AEAD algorithm id the keys are for
    NtsSession Session;                // keys, unused cookies oldest first, negotiated NTP server and port
};

// Bounds a file is held to, in bytes; a record beyond them is not written and
// a file beyond them is damaged.
inline constexpr std::size_t NtsStoreMaxText = 256;     // host, trust, NTP server (each at least 1, server 0)
inline constexpr std::size_t NtsStoreMaxKey = 64;       // each key, at least 1
inline constexpr std::size_t NtsStoreMaxFileSize = 8192;

enum class NtsStoreParseStatus {
    Ok,      // Record holds the file's session
    Foreign, // not this program's session file, or a version it does not read
    Damaged, // ours, but cut short, altered, or out of bounds
};

struct NtsStoreParseResult {
    NtsStoreParseStatus Status = NtsStoreParseStatus::Damaged;
    NtsStoreRecord Record; // meaningful when Ok
};

// The file's bytes; empty when a field is out of bounds, the host or trust is
// empty, or the cookies are none or more than NtsMaxCookies (1..256 bytes each).
Bytes EncodeNtsStoreRecord(const NtsStoreRecord& record);

// Reads what EncodeNtsStoreRecord wrote; any other input is Foreign or
// Damaged. Whatever is Ok encodes back to exactly `file`.
NtsStoreParseResult ParseNtsStoreRecord(ByteView file);

} // namespace brisvander
