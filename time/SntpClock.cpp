#include "ErrorCodes.h"
#include "LastError.h"
#include "SntpClient.h"
#include "Trace.h"

SntpClient::SntpClient() : SntpClient(LinuxSystemClock()) {}

SntpClient::SntpClient(SystemClockApi& clock) : m_clock(&clock) {}

SntpClient::~SntpClient()
{
    // The token is needed only from enabling to disabling; release it here at the latest.
    if (ProcessToken != nullptr)
        m_clock->CloseProcessToken(ProcessToken);
}

BOOL SntpClient::SetSystemClock(const NtpTimestamp& newTime)
{
    // The caller computed newTime from the clock a moment ago; this reading
    // stands for that moment.
    return SetSystemClock(newTime, NtpTimestamp::Now());
}

BOOL SntpClient::SetSystemClock(const NtpTimestamp& newTime, const NtpTimestamp& readAt)
{
    BOOL result = FALSE;
    if (EnableClockPrivilege()) {
        result = m_clock->StepSystemTime(newTime, readAt);
        if (!result)
            Trace("Failed in call to set the system time\n");
    }
    DisableClockPrivilege();
    if (ProcessToken != nullptr) {
        m_clock->CloseProcessToken(ProcessToken);
        ProcessToken = nullptr;
    }
    return result;
}

BOOL SntpClient::EnableClockPrivilege()
{
    if (ProcessToken != nullptr) {
        m_clock->CloseProcessToken(ProcessToken);
        ProcessToken = nullptr;
    }
    const BOOL opened = m_clock->OpenProcessToken(ProcessToken);
    PrivilegeEnabled = FALSE;
    if (!opened) {
        if (GetLastError() == ErrorCode::CallNotImplemented) {
            SetLastError(0);
            return TRUE;
        }
        Trace("Failed to get Adjust priviledge token\n");
        return FALSE;
    }

    ClockPrivilege = TOKEN_PRIVILEGES{};
    if (!m_clock->LookupPrivilegeValue(SE_SYSTEMTIME_NAME, ClockPrivilege.Privileges[0].Luid)) {
        Trace("Failed in callup to lookup priviledge\n");
        return FALSE;
    }
    ClockPrivilege.PrivilegeCount = 1;
    ClockPrivilege.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    // Set before adjusting, so the disabling step runs even when adjusting fails.
    PrivilegeEnabled = TRUE;
    const BOOL adjusted = m_clock->AdjustTokenPrivileges(ProcessToken, ClockPrivilege);
    if (!adjusted)
        Trace("Failed to adjust SetTime priviledge\n");
    return adjusted;
}

void SntpClient::DisableClockPrivilege()
{
    if (!PrivilegeEnabled)
        return;
    ClockPrivilege.Privileges[0].Attributes &= ~SE_PRIVILEGE_ENABLED;
    if (!m_clock->AdjustTokenPrivileges(ProcessToken, ClockPrivilege))
        Trace("Failed to reset SetTime priviledge\n");
}
