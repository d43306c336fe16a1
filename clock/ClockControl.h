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
#include "Expected.h"
#include "Failure.h"

#include <optional>

namespace brisvander {

// How the right came for a setting.
enum class ClockRightRaise {
    Raised,         // CAP_SYS_TIME is now in the effective set
    NoCapabilities, // the system has no capability model: set without a rights step
    ByService,      // not ours to raise: the step asks the time service, which checks the right
};

class ClockControl {
public:
    virtual ~ClockControl() = default;
    // How the right came, or why it did not: ClockRightRefused,
    // ClockRightUnknown or ClockRightUnreadable, with the system's error.
    virtual Expected<ClockRightRaise> RaiseClockRight() = 0;
    // Moves CLOCK_REALTIME by `step`, relative to the moment it is carried
    // out, so no time spent on the way is lost. nullopt when it did; else
    // one of the Clock... failure kinds, each one the user can act on in its
    // own way, and the clock as it was (ClockNoAnswer: as far as this
    // process can tell).
    virtual std::optional<Failure> StepClock(const ClockStep& step) = 0;
    // Clears CAP_SYS_TIME from the effective set, whatever it was before
    // the raise. nullopt when done, else ClockRightNotGivenUp.
    virtual std::optional<Failure> LowerClockRight() = 0;
    // Gives up CAP_SYS_TIME for the rest of the process's life (the
    // permitted set too; the clock helper ends), so nothing after the
    // setting can raise it again. nullopt when the process no longer holds
    // it, else ClockRightNotGivenUp.
    virtual std::optional<Failure> DropClockRightForGood() = 0;
};

} // namespace brisvander
