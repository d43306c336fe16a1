#pragma once
// What an authenticated exchange adds to the plain one: fields sealed onto
// our request, and a check that a datagram is the server's authenticated
// answer to it. The NTS layer above implements it; the time core only calls
// it, so it stays free of cryptography.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brisvander {

enum class ReplyAuthenticity {
    Authentic, // proven to answer our request: the usual checks follow
    NotOurs,   // cannot prove it: discarded, the wait goes on
    Refused,   // says the server refuses us (NTS NAK), unproven: noted, the wait goes on
};

class ReplyAuthenticator {
public:
    virtual ~ReplyAuthenticator() = default;
    // The datagram to send: `header` (the 48-byte NTPv4 client header) with
    // the authenticator's fields after it. Empty when it cannot be sealed.
    virtual std::vector<std::uint8_t> SealRequest(std::span<const std::uint8_t> header) = 0;
    // Judges one whole datagram against the request sealed last.
    virtual ReplyAuthenticity CheckReply(std::span<const std::uint8_t> datagram) = 0;
    // The longest reply it can take, in bytes.
    virtual std::size_t LargestReply() const = 0;
};

} // namespace brisvander
