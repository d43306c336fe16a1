#include "ErrorCodes.h"
#include "LastError.h"
#include "SystemClockApi.h"

#include <cerrno>
#include <cmath>
#include <sys/timex.h>
#include <cstring>
#include <ctime>
#include <sys/capability.h>

namespace {
class LinuxSystemClockImpl final : public SystemClockApi {
public:
    BOOL OpenProcessToken(ProcessTokenHandle& token) override
    {
        token = nullptr;
        if (!CAP_IS_SUPPORTED(CAP_SYS_TIME)) {
            SetLastError(ErrorCode::CallNotImplemented);
            return FALSE;
        }
        cap_t caps = cap_get_proc();
        if (caps == nullptr) {
            SetLastError(errno == ENOSYS ? ErrorCode::CallNotImplemented : ErrorFromErrno(errno));
            return FALSE;
        }
        token = caps;
        return TRUE;
    }

    BOOL LookupPrivilegeValue(const char* name, std::uint64_t& luid) override
    {
        // The one privilege this program asks for maps onto CAP_SYS_TIME.
        if (name == nullptr || std::strcmp(name, SE_SYSTEMTIME_NAME) != 0) {
            SetLastError(ErrorFromErrno(EINVAL));
            return FALSE;
        }
        cap_value_t value = 0;
        if (cap_from_name("cap_sys_time", &value) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        luid = static_cast<std::uint64_t>(value);
        return TRUE;
    }

    BOOL AdjustTokenPrivileges(ProcessTokenHandle token, const TOKEN_PRIVILEGES& privileges) override
    {
        auto caps = static_cast<cap_t>(token);
        if (caps == nullptr || privileges.PrivilegeCount != 1) {
            SetLastError(ErrorFromErrno(EINVAL));
            return FALSE;
        }
        const cap_value_t value = static_cast<cap_value_t>(privileges.Privileges[0].Luid);
        const cap_flag_value_t flag = (privileges.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) ? CAP_SET : CAP_CLEAR;
        if (cap_set_flag(caps, CAP_EFFECTIVE, 1, &value, flag) != 0 || cap_set_proc(caps) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        return TRUE;
    }

    void CloseProcessToken(ProcessTokenHandle token) override
    {
        if (token != nullptr)
            cap_free(token);
    }

    BOOL SetSystemTime(const NtpTimestamp& utc) override
    {
        const timespec ts = utc.ToTimespec();
        if (ts.tv_sec < 0 || clock_settime(CLOCK_REALTIME, &ts) != 0) {
            SetLastError(ErrorFromErrno(ts.tv_sec < 0 ? EINVAL : errno));
            return FALSE;
        }
        return TRUE;
    }

    BOOL StepSystemTime(const NtpTimestamp& utc, const NtpTimestamp& readAt) override
    {
        // A relative step is applied by the kernel in one go; an absolute time
        // would already be late by the time it is set.
        const double step = utc.Difference(readAt);
        timex adjustment{};
        adjustment.modes = ADJ_SETOFFSET | ADJ_NANO;
        double whole = std::floor(step);
        adjustment.time.tv_sec = static_cast<time_t>(whole);
        adjustment.time.tv_usec = static_cast<suseconds_t>(std::llround((step - whole) * 1e9));
        if (adjustment.time.tv_usec >= 1000000000) {
            adjustment.time.tv_sec += 1;
            adjustment.time.tv_usec -= 1000000000;
        }
        if (std::isfinite(step) && clock_adjtime(CLOCK_REALTIME, &adjustment) >= 0)
            return TRUE;
        if (errno == EPERM)
            return FailWithErrno();
        return SetSystemTime(NtpTimestamp::Now().AddSeconds(step));
    }

private:
    static BOOL FailWithErrno()
    {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
};
} // namespace

SystemClockApi& LinuxSystemClock()
{
    static LinuxSystemClockImpl instance;
    return instance;
}
