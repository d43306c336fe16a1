#pragma once
// Waiting on a socket without passing a deadline (steady clock, so a step of
// the system clock neither shortens nor stretches a wait).
#include <chrono>

namespace brisvander {

using SteadyTime = std::chrono::steady_clock::time_point;

// Milliseconds left for poll(), rounded up so a wait never ends early; 0 once passed.
int MillisecondsUntil(SteadyTime deadline);

enum class WaitResult { Ready, TimedOut, Failed };

// Waits until `fd` has any of `events` (POLLIN / POLLOUT), an error or hang-up counting as ready.
WaitResult WaitFor(int fd, short events, SteadyTime deadline);

} // namespace brisvander
