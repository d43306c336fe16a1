#pragma once
// NTS key exchange messages (RFC 8915, section 4): the client's request and
// the server's response, as records of type (bit 15: critical), body length
// and body. Pure functions over byte buffers.
#include "Failure.h"
#include "NtsBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

inline constexpr std::uint16_t NtsKeDefaultPort = 4460;
inline constexpr std::uint16_t NtsProtocolNtpV4 = 0;
inline constexpr std::uint16_t NtsAeadAesSivCmac256 = 15;
inline constexpr std::uint16_t NtsKeCriticalBit = 0x8000;

enum class NtsKeRecordType : std::uint16_t {
    EndOfMessage = 0,
    NextProtocol = 1,
    Error = 2,
    Warning = 3,
    AeadAlgorithm = 4,
    NewCookie = 5,
    NtpServer = 6,
    NtpPort = 7,
};

// Limits on what a server may make us hold. The record limit applies to the
// records we know and keep; an unknown record that is not critical is
// skipped whatever its length, within the message's limit (RFC 8915).
inline constexpr std::size_t NtsKeMaxMessageSize = 16384;
inline constexpr std::size_t NtsKeMaxRecordBody = 256;
inline constexpr std::size_t NtsMaxCookies = 8;

// A failure of the key exchange (number KeyExchangeFailed) of `kind`, its
// facts still to fill.
inline Failure KeyExchangeFailure(FailureKind kind) { return FailureOf(kind, ErrorCode::KeyExchangeFailed); }

// Next Protocol [NTPv4] and AEAD [AES-SIV-CMAC-256], then End of Message.
Bytes EncodeNtsKeRequest();

// What a server's response said; records it did not send stay empty.
struct NtsKeResponse {
    std::optional<std::uint16_t> ErrorCode;
    std::vector<std::uint16_t> Warnings;
    std::optional<std::vector<std::uint16_t>> NextProtocols; // set when the record came, even if empty
    std::optional<std::vector<std::uint16_t>> AeadAlgorithms;
    std::vector<Bytes> Cookies;  // the first NtsMaxCookies, each 1..256 bytes; later ones are dropped
    std::string NtpServer;       // printable ASCII; empty when not negotiated
    std::uint16_t NtpPort = 0;   // 0 when not negotiated
};

enum class NtsKeParseStatus {
    Complete,   // ended with End of Message
    Incomplete, // so far well formed, but no End of Message yet: read more
    Malformed,  // cannot become valid whatever follows
};

struct NtsKeParseResult {
    NtsKeParseStatus Status = NtsKeParseStatus::Incomplete;
    NtsKeResponse Response;      // meaningful when Complete
    std::size_t Consumed = 0;    // bytes up to and including End of Message, when Complete
    Failure Problem;             // when Malformed: what makes it so (a Cause of NtsResponseMalformed)
};

// Parses everything received so far. Bytes after End of Message are left
// alone (Consumed tells where it ended).
NtsKeParseResult ParseNtsKeResponse(ByteView received);

} // namespace brisvander
