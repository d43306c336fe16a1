#include "ClockRouter.h"

namespace brisvander {

ClockRouter::ClockRouter(ClockControl& capability, ClockControl& service, std::function<bool()> mayRaise,
                         std::function<bool()> rightOutOfReach)
    : m_capability(capability), m_service(service), m_mayRaise(std::move(mayRaise)),
      m_rightOutOfReach(std::move(rightOutOfReach)), m_way(&service)
{
}

Expected<ClockRightRaise> ClockRouter::RaiseClockRight()
{
    m_way = m_mayRaise() ? &m_capability : &m_service;
    return m_way->RaiseClockRight();
}

std::optional<Failure> ClockRouter::StepClock(const ClockStep& step)
{
    std::optional<Failure> failure = m_way->StepClock(step);
    const bool nobodyToAsk = failure && (failure->Kind == FailureKind::ClockNoBus ||
                                         failure->Kind == FailureKind::ClockNoService ||
                                         failure->Kind == FailureKind::ClockNoRight);
    if (m_way == &m_service && nobodyToAsk && m_rightOutOfReach())
        failure->Kind = FailureKind::ClockRightOutOfReach;
    return failure;
}

std::optional<Failure> ClockRouter::LowerClockRight() { return m_way->LowerClockRight(); }

std::optional<Failure> ClockRouter::DropClockRightForGood() { return m_capability.DropClockRightForGood(); }

} // namespace brisvander
