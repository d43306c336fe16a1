#include "ClockRouter.h"

namespace brisvander {

ClockRouter::ClockRouter(ClockControl& capability, ClockControl& service, std::function<bool()> mayRaise)
    : m_capability(capability), m_service(service), m_mayRaise(std::move(mayRaise)), m_way(&service)
{
}

ClockRightRaise ClockRouter::RaiseClockRight()
{
    m_way = m_mayRaise() ? &m_capability : &m_service;
    return m_way->RaiseClockRight();
}

ClockSetting ClockRouter::StepClock(const ClockStep& step) { return m_way->StepClock(step); }

bool ClockRouter::LowerClockRight() { return m_way->LowerClockRight(); }

bool ClockRouter::DropClockRightForGood() { return m_capability.DropClockRightForGood(); }

} // namespace brisvander
