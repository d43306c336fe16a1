// brisvander-drifting-server: an SNTP server on 127.0.0.1 whose clock runs
// PPM parts per million fast against the real one (its offset grows by PPM
// microseconds a second from zero at its start), for the drift benchmark.
// Prints "port N" once it is ready and runs until its standard input ends
// or it is told to stop.
//   brisvander-drifting-server PPM
#include "FakeSntpServer.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;
} // namespace

int main(int argc, char* argv[])
{
    char* end = nullptr;
    const double ppm = argc == 2 ? std::strtod(argv[1], &end) : 0.0;
    if (argc != 2 || end == argv[1] || *end != '\0' || ppm < -1000 || ppm > 1000) {
        std::fprintf(stderr, "usage: %s PPM (-1000 to 1000)\n", argv[0]);
        return 64;
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    std::signal(SIGINT, [](int) { g_stop = 1; });

    brisvander::testsupport::FakeSntpServer server;
    if (server.Port() == 0) {
        std::fprintf(stderr, "brisvander-drifting-server: could not start\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::printf("port %d\n", server.Port());
    std::fflush(stdout);
    // Every millisecond the offset moves on: at 50 ppm a step of 0.05 us,
    // far below what one exchange on loopback resolves.
    while (g_stop == 0) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        server.SetClockOffset(ppm * 1e-6 * elapsed);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 1) > 0) {
            char byte;
            if (read(STDIN_FILENO, &byte, 1) <= 0)
                break;
        }
    }
    return 0;
}
