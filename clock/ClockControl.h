#pragma once
// What setting the clock needs of the system: the right to set it (Linux's
// CAP_SYS_TIME) raised for the instant of setting, and a relative step of
// CLOCK_REALTIME, or, for a process without the right, a step asked of the
// system's time service, which checks the right itself. The client drives
// these calls in the order raise, step, lower, drop for good; tests put a
// recording stand-in in place of the real one, so that no test can reach the
// machine's clock. The real ones: the capability path
// (CapabilityClockControl.h), the time service (TimedatedClockControl.h), and
// the router between them that both programs use (ProgramClockControl.h).
#include "ClockStep.h"

namespace brisvander {

enum class ClockRightRaise {
    Raised,         // CAP_SYS_TIME is now in the effective set
    NoCapabilities, // the system has no capability model: set without a rights step
    Unreadable,     // the process's capability sets could not be read
    UnknownRight,   // this kernel does not know CAP_SYS_TIME
    Refused,        // the process may not raise it (not in its permitted set)
    ByService,      // not ours to raise: the step asks the time service, which checks the right
};

// What became of one attempt to set the clock; each failure is one the user
// can act on in its own way.
enum class ClockSetting {
    Set,
    NoRight,         // no right of our own (an ordinary account) and no time service to ask for it
    NotAuthorised,   // the time service asked, and authorisation was refused or cancelled
    AutomaticSyncOn, // the time service refuses while automatic synchronisation is on
    NoAgent,         // authorisation needs a password, and no one can be asked for it
    NoAnswer,        // the time service did not answer in time: it may still set the clock
    StillPending,    // an earlier request may still be carried out: no second one was sent
    Failed,          // refused for another reason
    NoBus,           // no right of our own, and no system bus to reach the time service on
    NoService,       // no right of our own, and no time service on the system bus
    RightOutOfReach, // the right cannot be had here, not even as root (a container: the clock is the host's)
    ServiceGone,     // the time service went away without answering: whether it set the clock is unknown
    KernelRefused,   // the right was held, and the kernel still refused (a container: the clock is the host's)
};

class ClockControl {
public:
    virtual ~ClockControl() = default;
    // On any outcome but Raised, NoCapabilities and ByService, the reason is
    // left in the thread's last-error value.
    virtual ClockRightRaise RaiseClockRight() = 0;
    // Moves CLOCK_REALTIME by `step`, relative to the moment it is carried
    // out, so no time spent on the way is lost. Anything but Set leaves the
    // clock as it was (NoAnswer: as far as this process can tell).
    virtual ClockSetting StepClock(const ClockStep& step) = 0;
    // Clears CAP_SYS_TIME from the effective set, whatever it was before
    // the raise. false (last error set) when that fails.
    virtual bool LowerClockRight() = 0;
    // Gives up CAP_SYS_TIME for the rest of the process's life (the
    // permitted set too; the clock helper ends), so nothing after the
    // setting can raise it again. true when the process no longer holds it.
    // false (last error set) when that fails.
    virtual bool DropClockRightForGood() = 0;
};

} // namespace brisvander
