#pragma once
// The capability path: the clock set with a right of this process's own
// (CAP_SYS_TIME), held by the clock helper that main starts
// (ClockRightHelper.h), so that the program's own process never holds it.
#include "ClockControl.h"

namespace brisvander {

// The right's name as the kernel and the user's documentation call it.
inline constexpr const char* ClockRightName = "CAP_SYS_TIME";

// The capability path alone, shared by the whole process (any thread may
// use it; the clock helper takes one request at a time). Without a helper,
// the raise is ClockRightRefused and a step ClockNoRight. The programs set the clock
// through ProgramClockControl(), which takes this path only where it can.
ClockControl& CapabilityClockControl();

// Whether a clock helper holds CAP_SYS_TIME for this process: whether it may
// take the capability path at all.
bool ProcessMayRaiseClockRight();

// Whether running as root would not give this process the right either: it
// did not hold the right at its start, and it is root already or
// CAP_SYS_TIME is not in its bounding set (a container, whose clock is the
// host's).
bool ClockRightOutOfReach();

// Clears CAP_SYS_TIME from the calling thread's effective, permitted and
// inheritable sets (and so from its ambient set). nullopt when the right is
// no longer held; else ClockRightNotGivenUp with the system's error.
std::optional<Failure> DropProcessClockRight();

} // namespace brisvander
