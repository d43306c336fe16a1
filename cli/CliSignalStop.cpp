#include "CliSignalStop.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace brisvander {

namespace {
volatile std::sig_atomic_t s_requested = 0;
// A pipe the handler writes to, so that a wait in poll wakes at once.
int s_wake[2] = {-1, -1};

void OnStopSignal(int)
{
    const int saved = errno;
    s_requested = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(s_wake[1], &byte, 1);
    errno = saved;
}
} // namespace

SignalWatchStop::SignalWatchStop()
{
    s_requested = 0;
    if (pipe2(s_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        s_wake[0] = s_wake[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInterrupt);
    sigaction(SIGTERM, &action, &m_previousTerminate);
}

SignalWatchStop::~SignalWatchStop()
{
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
    for (int& fd : s_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void SignalWatchStop::Request() { OnStopSignal(0); }

bool SignalWatchStop::Requested() { return s_requested != 0; }

bool SignalWatchStop::WaitFor(std::chrono::milliseconds interval)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + interval;
    while (!Requested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return false;
        // Without a pipe, the flag is looked at every 100 ms.
        const bool piped = s_wake[0] >= 0;
        const auto timeout = piped ? left.count() : std::min<std::chrono::milliseconds::rep>(left.count(), 100);
        pollfd entry{s_wake[0], POLLIN, 0};
        poll(&entry, piped ? 1 : 0, static_cast<int>(timeout));
    }
    return true;
}

} // namespace brisvander
