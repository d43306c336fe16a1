#pragma once
// One exchange's result from its four timestamps, shared by the basic and
// the interleaved answer, which differ only in where the stamps come from.
#include "Failure.h"
#include "NtpPacket.h"

#include <optional>

namespace brisvander {

struct SntpResult;

// The stamps of one exchange (NTP time): T1 as the result shows it and as
// the delay uses it (they differ in basic mode by our own stamping), T2 and
// T3 the server's, T4 our arrival.
struct FourStamps {
    NtpTimestamp ShownOrigin;    // T1 in the result
    NtpTimestamp Departure;      // T1 for delay and offset
    NtpTimestamp ServerReceive;  // T2
    NtpTimestamp ServerTransmit; // T3
    NtpTimestamp Arrival;        // T4
};

// Delay and offset of `stamps` (seconds; offset server minus local), and
// the reply's header fields, into `result`; MalformedReply when the stamps
// cannot be a true exchange (IsConsistentExchange within the reply's
// precision plus `localResolutionSeconds`).
std::optional<Failure> ResultFromStamps(const NtpReply& reply, const FourStamps& stamps,
                                        double localResolutionSeconds, bool interleaved, SntpResult& result);

} // namespace brisvander
