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
    if (EnableClockPrivilege()) {
        // A relative step: the time spent on the rights step is not lost.
        const std::optional<ClockStep> step = ClockStepFromSeconds(newTime.Difference(readAt));
        LastClockFailure = step ? m_clock->StepClock(*step)
                                : FailureOf(FailureKind::ClockRefused, ErrorCode::InvalidArgument);
        if (LastClockFailure)
            Trace("Failed in call to set the system time\n");
    } else {
        LastClockFailure = FailureOf(FailureKind::ClockNoRight, GetLastError());
    }
    DisableClockPrivilege();
    // Whatever came of it, the rest of the process runs without the right.
    if (!m_clock->DropClockRightForGood())
        Trace("Failed to drop the SetTime right for good\n");
    if (LastClockFailure)
        SetLastError(LastClockFailure->Number);
    return !LastClockFailure;
}

BOOL SntpClient::EnableClockPrivilege()
{
    PrivilegeEnabled = false;
    switch (m_clock->RaiseClockRight()) {
    case ClockRightRaise::NoCapabilities:
        // Nothing to raise and nothing to undo: the clock is set directly.
        SetLastError(0);
        return true;
    case ClockRightRaise::Unreadable:
        Trace("Failed to get Adjust priviledge token\n");
        return false;
    case ClockRightRaise::UnknownRight:
        Trace("Failed in callup to lookup priviledge\n");
        return false;
    case ClockRightRaise::Refused:
        // A refused raise is lowered all the same.
        PrivilegeEnabled = true;
        Trace("Failed to adjust SetTime priviledge\n");
        return false;
    case ClockRightRaise::Raised:
        PrivilegeEnabled = true;
        return true;
    case ClockRightRaise::ByService:
        // The service checks the right as it sets the clock; nothing of ours to undo.
        return true;
    }
    return false;
}

void SntpClient::DisableClockPrivilege()
{
    if (!PrivilegeEnabled)
        return;
    if (!m_clock->LowerClockRight())
        Trace("Failed to reset SetTime priviledge\n");
}

} // namespace brisvander
