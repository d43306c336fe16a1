#pragma once
// Which way a setting of the clock goes: the capability path where this
// process may raise the right itself (root, or an administrator's explicit
// grant), the time service otherwise. The way is chosen afresh at each raise,
// so a process that gave the right up after one setting asks the service the
// next time. When the service cannot be reached and running as root would
// not give the right either (root already, or a container), the setting
// says so (ClockRightOutOfReach) instead of advising root.
#include "CapabilityClockControl.h"
#include "ClockControl.h"

#include <functional>

namespace brisvander {

// One setting at a time: the way chosen at the raise holds until the next.
class ClockRouter final : public ClockControl {
public:
    // Neither control is owned; both must outlive the router.
    ClockRouter(ClockControl& capability, ClockControl& service,
                std::function<bool()> mayRaise = ProcessMayRaiseClockRight,
                std::function<bool()> rightOutOfReach = ClockRightOutOfReach);

    Expected<ClockRightRaise> RaiseClockRight() override;
    std::optional<Failure> StepClock(const ClockStep& step) override;
    std::optional<Failure> LowerClockRight() override;
    // Always the capability's: that is where the right is held, whichever
    // way the setting went.
    std::optional<Failure> DropClockRightForGood() override;

private:
    ClockControl& m_capability;
    ClockControl& m_service;
    std::function<bool()> m_mayRaise;
    std::function<bool()> m_rightOutOfReach;
    ClockControl* m_way;
};

} // namespace brisvander
