#include "ClockControl.h"
#include "ErrorCodes.h"
#include "LastError.h"

#include <cerrno>
#include <ctime>
#include <sys/capability.h>
#include <sys/timex.h>

namespace brisvander {

namespace {
bool FailWithErrno()
{
    SetLastError(ErrorFromErrno(errno));
    return false;
}

// Sets or clears CAP_SYS_TIME in the effective set.
bool SetEffectiveClockRight(cap_flag_value_t value)
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return FailWithErrno();
    const cap_value_t right = CAP_SYS_TIME;
    const bool done = cap_set_flag(caps, CAP_EFFECTIVE, 1, &right, value) == 0 && cap_set_proc(caps) == 0;
    const int err = errno;
    cap_free(caps);
    if (!done) {
        SetLastError(ErrorFromErrno(err));
        return false;
    }
    return true;
}

class LinuxClockControl final : public ClockControl {
public:
    ClockRightRaise RaiseClockRight() override
    {
        cap_t caps = cap_get_proc();
        if (caps == nullptr) {
            if (errno == ENOSYS)
                return ClockRightRaise::NoCapabilities;
            FailWithErrno();
            return ClockRightRaise::Unreadable;
        }
        cap_free(caps);
        if (!CAP_IS_SUPPORTED(CAP_SYS_TIME)) {
            SetLastError(ErrorFromErrno(EINVAL));
            return ClockRightRaise::UnknownRight;
        }
        return SetEffectiveClockRight(CAP_SET) ? ClockRightRaise::Raised : ClockRightRaise::Refused;
    }

    bool StepClock(const ClockStep& step) override
    {
        timex adjustment{};
        adjustment.modes = ADJ_SETOFFSET | ADJ_NANO;
        adjustment.time.tv_sec = static_cast<time_t>(step.Seconds);
        // With ADJ_NANO the field named tv_usec carries nanoseconds.
        adjustment.time.tv_usec = static_cast<suseconds_t>(step.Nanoseconds);
        if (clock_adjtime(CLOCK_REALTIME, &adjustment) < 0)
            return FailWithErrno();
        return true;
    }

    bool LowerClockRight() override { return SetEffectiveClockRight(CAP_CLEAR); }
};
} // namespace

ClockControl& SystemClockControl()
{
    static LinuxClockControl instance;
    return instance;
}

} // namespace brisvander
