#pragma once
// One SNTP exchange with a server, and setting the system clock with the
// right to do so held only for the moment of setting.
#include "NtpTimestamp.h"
#include "Platform.h"
#include "SntpResult.h"
#include "SystemClockApi.h"

#include <cstdint>

inline constexpr int NtpDefaultPort = 123;
inline constexpr std::uint32_t SntpDefaultTimeoutMs = 5000;

class SntpClient {
public:
    SntpClient();
    explicit SntpClient(SystemClockApi& clock);
    virtual ~SntpClient();
    SntpClient(const SntpClient&) = delete;
    SntpClient& operator=(const SntpClient&) = delete;

    // FALSE on failure, with the reason in the thread's last-error value.
    BOOL QueryServer(const char* host, SntpResult& result, int port = NtpDefaultPort);

    BOOL SetSystemClock(const NtpTimestamp& newTime);
    // The same, for a new time computed from the clock reading `readAt`: the
    // clock moves by their difference, however long the way here took.
    BOOL SetSystemClock(const NtpTimestamp& newTime, const NtpTimestamp& readAt);
    BOOL EnableClockPrivilege();
    void DisableClockPrivilege();

    std::uint32_t TimeoutMs = SntpDefaultTimeoutMs;
    ProcessTokenHandle ProcessToken = nullptr;
    TOKEN_PRIVILEGES ClockPrivilege;
    BOOL PrivilegeEnabled = FALSE;

private:
    SystemClockApi* m_clock;
};
