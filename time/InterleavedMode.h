#pragma once
// Interleaved client/server mode: from the second exchange with a server on,
// the request names the server's receive stamp and our arrival stamp of the
// previous answer, and a server that kept that answer's precise transmit
// stamp sends it in its next answer. The origin field alone tells the two
// kinds of answer apart. Pure functions, no I/O.
#include "Failure.h"
#include "NtpPacket.h"
#include "NtpTimestamp.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace brisvander {

struct SntpResult;

// The three stamps of an answered exchange that its interleaved completion needs.
struct ExchangeStamps {
    NtpTimestamp Departure;     // T1: when our request left (the kernel's stamp where it gave one)
    NtpTimestamp ServerReceive; // T2, exactly as the server wrote it (its answer's receive field)
    NtpTimestamp Arrival;       // T4: when its answer came here
};

// What a client keeps between exchanges with one server.
struct InterleavedState {
    std::optional<ExchangeStamps> Previous; // the last answered exchange; empty at the start
    bool PreviousAnswerInterleaved = false; // whether that answer was an interleaved one
};

// What a request carried in the two fields that name an answer.
struct SentStamps {
    NtpTimestamp Transmit; // our T1 as sent: a basic answer echoes it
    NtpTimestamp Receive;  // zero in a basic request; else the previous T4: an interleaved answer echoes it
};

// A version-4 header stamped `transmit`; with a previous exchange, origin =
// its T2 and receive = its T4, which asks for an interleaved answer.
NtpRequest BuildInterleavedRequest(const NtpTimestamp& transmit, const std::optional<ExchangeStamps>& previous);

enum class AnswerKind {
    Basic,       // origin = the request's transmit field
    Interleaved, // origin = the request's receive field (never zero)
    Foreign,     // anything else: not an answer to this request
};
AnswerKind ClassifyAnswer(const NtpTimestamp& origin, const SentStamps& sent);

// EvaluateNtpReply for a request that may have asked for an interleaved
// answer. A basic answer is judged and computed as there; an interleaved one
// completes `previous` (its T1, T2 and T4, the answer's transmit stamp as
// T3), and the result shows those four stamps with Interleaved set. Either
// way `latest` receives this exchange's own stamps for the next request.
// An interleaved answer without a previous exchange is ForeignReply.
std::optional<Failure> EvaluateInterleavedReply(const std::uint8_t* data, std::size_t length, const SentStamps& sent,
                                                const NtpTimestamp& departure, const NtpTimestamp& arrival,
                                                const std::optional<ExchangeStamps>& previous, SntpResult& result,
                                                ExchangeStamps& latest,
                                                double localResolutionSeconds = DefaultLocalResolutionSeconds,
                                                std::size_t longest = NtpReplyBufferSize);

} // namespace brisvander
