// brisvander-survey-bench-server: the survey benchmark's servers, many
// loopback addresses answered by one process (the tests' LoopbackServerFarm).
// Server i (from 0) is on the i-th address from 127.0.1.1 on (skipping the
// .0 and .255 of each block), holds each request 5 + (37 i mod 76) ms, so
// from 5 to 80 ms, and five of them, spread over the list, run 0.5 s ahead.
// Prints "port N", then "ADDRESS HOLD-MS OFFSET-S" a line per server, and
// serves until its standard input ends.
//   brisvander-survey-bench-server COUNT
#include "LoopbackServerFarm.h"

#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {
using brisvander::testsupport::FarmServer;

constexpr int WrongServers = 5;
constexpr double WrongBySeconds = 0.5;

std::string LoopbackAddress(int index)
{
    const int block = 1 + index / 254;
    return "127.0." + std::to_string(block) + "." + std::to_string(1 + index % 254);
}

std::vector<FarmServer> Servers(int count)
{
    std::vector<FarmServer> servers;
    for (int i = 0; i < count; ++i) {
        const bool wrong = i % (count / WrongServers) == count / (2 * WrongServers);
        servers.push_back({LoopbackAddress(i), 5 + (37 * i) % 76, wrong ? WrongBySeconds : 0.0,
                           FarmServer::Manner::Answer});
    }
    return servers;
}

void WaitForTheEnd()
{
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
}
} // namespace

int main(int argc, char* argv[])
{
    const int count = argc == 2 ? std::atoi(argv[1]) : 0;
    if (count < 2 * WrongServers || count > 254 * 254) {
        std::fprintf(stderr, "usage: brisvander-survey-bench-server COUNT (10 to 64516)\n");
        return 64;
    }
    const std::vector<FarmServer> servers = Servers(count);
    const brisvander::testsupport::LoopbackServerFarm farm(servers);
    if (farm.Port() == 0) {
        std::fprintf(stderr, "brisvander-survey-bench-server: could not bind the addresses\n");
        return 71;
    }
    std::printf("port %d\n", farm.Port());
    for (const FarmServer& server : servers)
        std::printf("%s %d %.1f\n", server.Address.c_str(), server.HoldMs, server.OffsetSeconds);
    std::fflush(stdout);
    WaitForTheEnd();
    return 0;
}
