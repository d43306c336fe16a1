#pragma once
// What one successful query yields.
#include "NtpTimestamp.h"

namespace brisvander {

struct SntpResult {
    int LeapIndicator = 0;
    int Stratum = 0;
    NtpTimestamp OriginateTimestamp;   // T1, the server's echo of our transmit timestamp
    NtpTimestamp ReceiveTimestamp;     // T2
    NtpTimestamp TransmitTimestamp;    // T3
    NtpTimestamp DestinationTimestamp; // T4, when the reply arrived here
    double RoundtripDelay = 0.0;       // seconds
    double ClockOffset = 0.0;          // seconds the server is ahead of the local clock
    double RootDelaySeconds = 0.0;     // the server's root delay
    double RootDispersionSeconds = 0.0; // the server's root dispersion
    bool Interleaved = false;          // an interleaved answer: the four stamps are the previous exchange's
};

} // namespace brisvander
