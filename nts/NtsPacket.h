#pragma once
// The authenticated NTP exchange (RFC 8915, section 5): sealing our request
// and judging a datagram that may be the reply. No sockets; the NTP header
// checks (mode, originate timestamp, stratum...) stay with the caller.
#include "Failure.h"
#include "NtsBytes.h"
#include "NtsKeRecords.h" // NtsMaxCookies
#include "NtsSession.h"

#include <array>
#include <cstdint>
#include <optional>

namespace brisvander {

inline constexpr std::size_t NtsUniqueIdSize = 32;
inline constexpr std::size_t NtsNonceSize = 16;
// Enough for any reply to a request with 7 placeholders and 256-byte cookies;
// receive into a buffer at least this large.
inline constexpr std::size_t NtsReplyBufferSize = 4096;

// Kept from sealing until the reply is judged.
struct NtsPendingRequest {
    std::array<std::uint8_t, NtsUniqueIdSize> UniqueId{};
};

struct NtsSealedRequest {
    // Why it could not be sealed; empty when it was. NtsCookiesUsedUp: the
    // session has none left; NtsNoRandomNumbers: getrandom failed;
    // NtsNotSealed: the header is not 48 bytes of NTP version 4 (extension
    // fields need 4), more than NtsMaxCookies - 1 placeholders, or the
    // cryptography failed.
    std::optional<Failure> Problem;
    Bytes Packet; // the datagram to send, when sealed
    NtsPendingRequest Pending;
};

// Appends Unique Identifier, one cookie, `placeholders` Cookie Placeholders
// (each asks the server for one more cookie) and the Authenticator (sealed
// with the client-to-server key; nothing encrypted) to `header`, the 48-byte
// NTPv4 client header the caller built. On success the cookie is taken out of
// `session`; on failure the session is unchanged.
NtsSealedRequest SealRequest(ByteView header, NtsSession& session, std::size_t placeholders = 0);

enum class NtsReplyVerdict {
    Authentic, // carries our identifier and the server-to-client key verifies it
    NotOurs,   // discard and keep waiting: anyone could have sent it
    Nak,       // NTS NAK for our identifier: the server refused the cookie, if anyone can tell (unauthenticated)
};

struct NtsReplyCheck {
    NtsReplyVerdict Verdict = NtsReplyVerdict::NotOurs;
    std::size_t CookiesAdded = 0; // new cookies stored in the session (Authentic only)
    const char* Why = "";         // English, for the trace: why NotOurs
};

// Judges one received datagram (its full length) against the request that
// `pending` came from. An Authentic reply's encrypted cookies are appended to
// `session` up to NtsMaxCookies; nothing else changes the session.
NtsReplyCheck CheckReply(ByteView datagram, const NtsPendingRequest& pending, NtsSession& session);

} // namespace brisvander
