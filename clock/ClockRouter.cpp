#include "ClockRouter.h"

namespace brisvander {

ClockRouter::ClockRouter(ClockControl& capability, ClockControl& service, std::function<bool()> mayRaise,
                         std::function<bool()> rightOutOfReach)
    : m_capability(capability), m_service(service), m_mayRaise(std::move(mayRaise)),
      m_rightOutOfReach(std::move(rightOutOfReach)), m_way(&service)
{
}

ClockRightRaise ClockRouter::RaiseClockRight()
{
    m_way = m_mayRaise() ? &m_capability : &m_service;
    return m_way->RaiseClockRight();
}

ClockSetting ClockRouter::StepClock(const ClockStep& step)
{
    const ClockSetting setting = m_way->StepClock(step);
    const bool nobodyToAsk =
        setting == ClockSetting::NoBus || setting == ClockSetting::NoService || setting == ClockSetting::NoRight;
    if (m_way == &m_service && nobodyToAsk && m_rightOutOfReach())
        return ClockSetting::RightOutOfReach;
    return setting;
}

bool ClockRouter::LowerClockRight() { return m_way->LowerClockRight(); }

bool ClockRouter::DropClockRightForGood() { return m_capability.DropClockRightForGood(); }

} // namespace brisvander
