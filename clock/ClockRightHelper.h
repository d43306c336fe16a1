#pragma once
// The right to set the clock (CAP_SYS_TIME) kept out of the program's own
// process. libcap changes only the calling thread's capability sets, and the
// threads that Qt starts inside its libraries are out of its reach; so at
// the start of main, while the process provably has one thread, a small
// child process, the clock helper, is forked that alone keeps the right, and
// the program drops it from every set of its own. The helper raises the
// right, steps the clock and lowers it when asked (one step in its life),
// and ends when told to drop the right for good or when the program goes
// away. The capability path of ClockControl talks to it.
#include "ClockStep.h"

#include <sys/types.h>

namespace brisvander {

enum class ClockRightUse {
    OneSetting, // keep it, in the helper, for one setting of the clock
    None,       // give it up at once (the desktop program of an ordinary user)
};

enum class ClockRightStart {
    NeverHeld,         // CAP_SYS_TIME was not in the permitted set: nothing changed
    KeptByHelper,      // the helper holds it; this process holds it in no set
    GivenUp,           // this process held it and holds it in no set now; no helper
    NotSingleThreaded, // held, but more than one thread runs (or /proc cannot tell): nothing changed
    Failed,            // held, and it could not be given up (last error set)
};

// Call first thing in main, before any thread or Qt object exists. Without
// the right it changes nothing. With it, the process gives it up from its
// effective, permitted, inheritable and ambient sets (and from its bounding
// set where it may), after starting the helper for `OneSetting` (a helper
// that cannot be started leaves GivenUp). A program must not start on
// NotSingleThreaded or Failed: it may still hold the right.
ClockRightStart SeparateClockRight(ClockRightUse use);

// The helper's side of the seam, one request at a time from any thread.
enum class ClockHelperRequest : unsigned char {
    Raise = 1, // CAP_SYS_TIME into the helper's effective set
    Step,      // clock_adjtime(CLOCK_REALTIME, ADJ_SETOFFSET) by the step; once in the helper's life
    Lower,     // CAP_SYS_TIME out of the helper's effective set
};

struct ClockHelperAnswer {
    bool Reached = false;       // the helper answered; else Errno is why it could not be asked
    int Errno = 0;              // 0: done; else the errno of the helper's call
    bool RightInEffect = false; // CAP_SYS_TIME in the helper's effective set after the request
};

// Whether a helper holds the right for this process.
bool ClockHelperRunning();
// Asks the helper; without one, Reached is false and Errno EPERM.
ClockHelperAnswer AskClockHelper(ClockHelperRequest request, const ClockStep& step = {});
// Tells the helper to drop the right from every set and exit, and waits for
// it; afterwards no process of this program holds the right. true without a
// helper too.
bool EndClockHelper();
// The helper's process id; 0 when there is none. For diagnostics and tests.
pid_t ClockHelperProcess();

// The calling thread's capability sets, as libcap names them.
enum class CapabilitySet { Effective, Permitted, Inheritable };
// Whether the calling thread holds CAP_SYS_TIME in `set`; false when the
// sets cannot be read.
bool ThreadHoldsClockRight(CapabilitySet set);

} // namespace brisvander
