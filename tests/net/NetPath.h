#pragma once
// One query through the relay, with what the relay measured of that exchange,
// and the figures NTP's arithmetic predicts from it.
#include "QueryOutcome.h"
#include "UdpRelay.h"

#include <string>

namespace brisvander::testsupport {

struct PathExchange {
    QueryOutcome query;
    bool heldOnce = false; // exactly one datagram went each way through the relay
    double outboundS = 0.0;
    double inboundS = 0.0;

    // Server holding time is subtracted by the delay, so only the path remains.
    double PredictedDelay() const { return outboundS + inboundS; }
    // The client takes the path as symmetric: half the difference shows as offset.
    double PredictedOffset(double serverAheadS) const { return serverAheadS + (outboundS - inboundS) / 2.0; }
    std::string Describe(double serverAheadS) const;
};

PathExchange QueryThrough(testsupport::UdpRelay& relay, std::uint32_t timeoutMs = SntpDefaultTimeoutMs);

// As an NTP clock filter does, keep the exchange least disturbed by scheduling
// on this machine: the one whose delay departs least from the relay's holds.
PathExchange LeastDisturbedOf(int tries, testsupport::UdpRelay& relay);

// Resident set size of this process in bytes, from /proc/self/statm.
long ResidentBytes();

} // namespace brisvander::testsupport
