#include "Deadline.h"

#include <cerrno>
#include <climits>
#include <poll.h>

namespace brisvander {

int MillisecondsUntil(SteadyTime deadline)
{
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

WaitResult WaitFor(int fd, short events, SteadyTime deadline)
{
    while (true) {
        const int timeout = MillisecondsUntil(deadline);
        if (timeout == 0)
            return WaitResult::TimedOut;
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, timeout);
        if (ready > 0)
            return WaitResult::Ready;
        if (ready < 0 && errno != EINTR)
            return WaitResult::Failed;
    }
}

} // namespace brisvander
