#pragma once
// One SNTP exchange with a server, and setting the system clock with the
// right to do so held only for the moment of setting.
#include "NtpTimestamp.h"
#include "Platform.h"
#include "SystemClockApi.h"

#include <cstdint>

struct SntpResult {
    int LeapIndicator = 0;
    int Stratum = 0;
    NtpTimestamp OriginateTimestamp;   // T1, the server's echo of our transmit timestamp
    NtpTimestamp ReceiveTimestamp;     // T2
    NtpTimestamp TransmitTimestamp;    // T3
    NtpTimestamp DestinationTimestamp; // T4, when the reply arrived here
    double RoundtripDelay = 0.0;       // seconds
    double ClockOffset = 0.0;          // seconds the server is ahead of the local clock
};

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
    BOOL EnableClockPrivilege();
    void DisableClockPrivilege();

    std::uint32_t TimeoutMs = SntpDefaultTimeoutMs;
    ProcessTokenHandle ProcessToken = nullptr;
    TOKEN_PRIVILEGES ClockPrivilege;
    BOOL PrivilegeEnabled = FALSE;

private:
    SystemClockApi* m_clock;
};
