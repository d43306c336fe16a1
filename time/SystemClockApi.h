#pragma once
// The rights and clock calls that setting the clock needs. The real one
// works on Linux capabilities (CAP_SYS_TIME) and clock_settime; tests put a
// recording fake in its place so that no test touches the real clock.
#include "NtpTimestamp.h"
#include "Platform.h"

#include <cstdint>

using ProcessTokenHandle = void*;

struct LUID_AND_ATTRIBUTES {
    std::uint64_t Luid = 0;
    std::uint32_t Attributes = 0;
};

struct TOKEN_PRIVILEGES {
    std::uint32_t PrivilegeCount = 0;
    LUID_AND_ATTRIBUTES Privileges[1];
};

inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 2;
inline constexpr const char* SE_SYSTEMTIME_NAME = "SeSystemtimePrivilege";

class SystemClockApi {
public:
    virtual ~SystemClockApi() = default;
    // Fails with last error CallNotImplemented where the system has no rights model.
    virtual BOOL OpenProcessToken(ProcessTokenHandle& token) = 0;
    virtual BOOL LookupPrivilegeValue(const char* name, std::uint64_t& luid) = 0;
    virtual BOOL AdjustTokenPrivileges(ProcessTokenHandle token, const TOKEN_PRIVILEGES& privileges) = 0;
    virtual void CloseProcessToken(ProcessTokenHandle token) = 0;
    // Sets the clock at the timestamp's full resolution.
    virtual BOOL SetSystemTime(const NtpTimestamp& utc) = 0;
    // Sets the clock to `utc`, a time computed from the clock reading `readAt`:
    // the clock moves by their difference, so the time spent between that
    // reading and the setting (the rights steps) is not lost.
    virtual BOOL StepSystemTime(const NtpTimestamp& utc, const NtpTimestamp& readAt)
    {
        (void)readAt;
        return SetSystemTime(utc);
    }
};

// The process-wide real implementation.
SystemClockApi& LinuxSystemClock();
