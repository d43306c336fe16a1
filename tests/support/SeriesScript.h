#pragma once
// A fake server script for a series of exchanges: the n-th request (from 0)
// is answered as the n-th step says; requests past the last step get no reply.
#include "FakeSntpServer.h"

#include <vector>

namespace brisvander::testsupport {

struct SeriesStep {
    int delayMs = 0;          // the reply leaves this late: it lengthens the round trip
    double offset = 0.0;      // seconds the server's clock is ahead in this reply
    bool kissOfDeath = false; // a RATE Kiss-o'-Death instead of a reply
};
inline SeriesStep Reply(int delayMs, double offset) { return {delayMs, offset, false}; }
inline SeriesStep KissOfDeath() { return {0, 0.0, true}; }

FakeSntpServer::Script SeriesScript(std::vector<SeriesStep> steps);

// The pause lies on the way back, so a measured offset (seconds) equals the scripted one less half the
// round trip plus the request's own trip to the server: that trip is what this returns. It is never
// negative and never more than the round trip beyond the scripted pause, however loaded the machine.
inline double OutboundTripSeconds(double measuredOffset, double roundTrip, double scriptedOffset)
{
    return measuredOffset - (scriptedOffset - roundTrip / 2);
}

} // namespace brisvander::testsupport
