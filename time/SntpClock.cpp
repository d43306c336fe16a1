#include "ErrorCodes.h"
#include "LastError.h"
#include "SntpClient.h"
#include "Trace.h"

namespace brisvander {

SntpClient::SntpClient(ClockControl& clock) : m_clock(&clock) {}

SntpClient::~SntpClient() = default;

BOOL SntpClient::SetSystemClock(const NtpTimestamp& newTime)
{
    return SetSystemClock(newTime, NtpTimestamp::Now());
}

BOOL SntpClient::SetSystemClock(const NtpTimestamp& newTime, const NtpTimestamp& readAt)
{
    std::optional<Failure> refused = RaiseRight();
    // The last error as EnableClockPrivilege leaves it: the step starts without one.
    SetLastError(NumberOf(refused));
    if (refused) {
        LastClockFailure = Wrapped(FailureKind::ClockNoRight, std::move(*refused));
    } else {
        // A relative step: the time spent on the rights step is not lost.
        const std::optional<ClockStep> step = ClockStepFromSeconds(newTime.Difference(readAt));
        LastClockFailure = step ? m_clock->StepClock(*step)
                                : FailureOf(FailureKind::ClockRefused, ErrorCode::InvalidArgument);
        if (LastClockFailure)
            Trace("Failed in call to set the system time\n");
    }
    DisableClockPrivilege();
    // Whatever came of it, the rest of the process runs without the right.
    if (m_clock->DropClockRightForGood())
        Trace("Failed to drop the SetTime right for good\n");
    if (LastClockFailure)
        SetLastError(LastClockFailure->Number);
    return !LastClockFailure;
}

BOOL SntpClient::EnableClockPrivilege() { return Answered(RaiseRight()); }

std::optional<Failure> SntpClient::RaiseRight()
{
    Expected<ClockRightRaise> raised = m_clock->RaiseClockRight();
    LastRaise = raised.Ok() ? std::optional<ClockRightRaise>(raised.Value()) : std::nullopt;
    // Only a right of our own is ours to lower; the service checks the right as it sets the clock.
    PrivilegeEnabled = raised.Ok() && raised.Value() == ClockRightRaise::Raised;
    if (raised.Ok())
        return std::nullopt;
    switch (raised.Error().Kind) {
    case FailureKind::ClockRightUnreadable:
        Trace("Failed to get Adjust priviledge token\n");
        break;
    case FailureKind::ClockRightUnknown:
        Trace("Failed in callup to lookup priviledge\n");
        break;
    default:
        // A refused raise is lowered all the same.
        PrivilegeEnabled = true;
        Trace("Failed to adjust SetTime priviledge\n");
        break;
    }
    return raised.Error();
}

void SntpClient::DisableClockPrivilege()
{
    if (!PrivilegeEnabled)
        return;
    if (const std::optional<Failure> failure = m_clock->LowerClockRight()) {
        SetLastError(failure->Number);
        Trace("Failed to reset SetTime priviledge\n");
    }
}

} // namespace brisvander
