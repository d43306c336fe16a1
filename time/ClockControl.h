#pragma once
// What setting the clock needs of the system: the right to set it (Linux's
// CAP_SYS_TIME) raised for the instant of setting, and a relative step of
// CLOCK_REALTIME. The client drives these calls in the order raise, step,
// lower; tests put a recording stand-in in place of the real one, so that no
// test can reach the machine's clock.
#include "ClockStep.h"

namespace brisvander {

enum class ClockRightRaise {
    Raised,         // CAP_SYS_TIME is now in the effective set
    NoCapabilities, // the system has no capability model: set without a rights step
    Unreadable,     // the process's capability sets could not be read
    UnknownRight,   // this kernel does not know CAP_SYS_TIME
    Refused,        // the process may not raise it (not in its permitted set)
};

class ClockControl {
public:
    virtual ~ClockControl() = default;
    // On any outcome but Raised and NoCapabilities, the reason is left in
    // the thread's last-error value.
    virtual ClockRightRaise RaiseClockRight() = 0;
    // Moves CLOCK_REALTIME by `step` in one kernel call, so no time passes
    // between reading the clock and setting it. false (last error set) when
    // the kernel refuses.
    virtual bool StepClock(const ClockStep& step) = 0;
    // Clears CAP_SYS_TIME from the effective set, whatever it was before
    // the raise. false (last error set) when that fails.
    virtual bool LowerClockRight() = 0;
};

// The real one, shared by the whole process (it holds no state).
ClockControl& SystemClockControl();

} // namespace brisvander
