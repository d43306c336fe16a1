// brisvander-jitter-relay: the tests' delay line as a process, for the
// benchmark. Listens on a free 127.0.0.1 port, forwards to a server on
// 127.0.0.1, prints "port N" once it is ready and runs until its standard
// input ends or it is told to stop; then prints what it forwarded.
//   brisvander-jitter-relay SERVER-PORT DELAY-US JITTER-US SEED
#include "UdpRelay.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;

bool ParseNumber(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

// Until standard input ends (the benchmark closes it) or a signal comes.
void WaitForTheEnd()
{
    while (g_stop == 0) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 200) > 0) {
            char byte;
            if (read(STDIN_FILENO, &byte, 1) <= 0)
                return;
        }
    }
}
} // namespace

int main(int argc, char* argv[])
{
    using brisvander::testsupport::UdpRelay;
    long port = 0, delayUs = 0, jitterUs = 0, seed = 0;
    if (argc != 5 || !ParseNumber(argv[1], 1, 65535, port) || !ParseNumber(argv[2], 0, 10000000, delayUs) ||
        !ParseNumber(argv[3], 0, 10000000, jitterUs) || !ParseNumber(argv[4], 0, 4294967295L, seed)) {
        std::fprintf(stderr, "usage: %s SERVER-PORT DELAY-US JITTER-US SEED\n", argv[0]);
        return 64;
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    std::signal(SIGINT, [](int) { g_stop = 1; });

    UdpRelay::Options options;
    options.outboundDelayUs = static_cast<int>(delayUs);
    options.inboundDelayUs = static_cast<int>(delayUs);
    options.jitterUs = static_cast<int>(jitterUs);
    options.seed = static_cast<unsigned>(seed);
    UdpRelay relay(static_cast<int>(port), options);
    if (relay.Port() == 0) {
        std::fprintf(stderr, "brisvander-jitter-relay: could not start\n");
        return 1;
    }
    std::printf("port %d\n", relay.Port());
    std::fflush(stdout);
    WaitForTheEnd();
    const UdpRelay::Stats stats = relay.GetStats();
    std::fprintf(stderr, "brisvander-jitter-relay: forwarded %d out, %d back, %d send failures\n",
                 stats.forwardedOut, stats.forwardedIn, stats.sendFailures);
    return 0;
}
