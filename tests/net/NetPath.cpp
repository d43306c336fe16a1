#include "NetPath.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace brisvander::testsupport {

std::string PathExchange::Describe(double serverAheadS) const
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "held out %.3f ms, back %.3f ms; delay %.3f ms (predicted %.3f), offset %.3f ms (predicted %.3f)",
                  outboundS * 1e3, inboundS * 1e3, query.result.RoundtripDelay * 1e3, PredictedDelay() * 1e3,
                  query.result.ClockOffset * 1e3, PredictedOffset(serverAheadS) * 1e3);
    return text;
}

PathExchange QueryThrough(testsupport::UdpRelay& relay, std::uint32_t timeoutMs)
{
    const testsupport::UdpRelay::Stats before = relay.GetStats();
    PathExchange exchange;
    exchange.query = RunQuery("127.0.0.1", relay.Port(), timeoutMs);
    const testsupport::UdpRelay::Stats after = relay.GetStats();
    exchange.heldOnce = after.forwardedOut == before.forwardedOut + 1 && after.forwardedIn == before.forwardedIn + 1;
    if (exchange.heldOnce) {
        exchange.outboundS = after.outboundHoldUs.back() / 1e6;
        exchange.inboundS = after.inboundHoldUs.back() / 1e6;
    }
    return exchange;
}

PathExchange LeastDisturbedOf(int tries, testsupport::UdpRelay& relay)
{
    PathExchange best;
    double bestMiss = INFINITY;
    for (int i = 0; i < tries; ++i) {
        PathExchange e = QueryThrough(relay);
        if (!e.query.ok || !e.heldOnce)
            return e;
        const double miss = std::fabs(e.query.result.RoundtripDelay - e.PredictedDelay());
        if (miss < bestMiss) {
            bestMiss = miss;
            best = e;
        }
    }
    return best;
}

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace brisvander::testsupport
