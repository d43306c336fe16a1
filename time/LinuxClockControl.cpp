#include "ClockControl.h"
#include "ErrorCodes.h"
#include "LastError.h"

#include <cerrno>
#include <ctime>
#include <initializer_list>
#include <sys/capability.h>
#include <sys/timex.h>

namespace brisvander {

namespace {
// Sets or clears CAP_SYS_TIME in the given sets.
bool SetClockRight(std::initializer_list<cap_flag_t> sets, cap_flag_value_t value)
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return FailWithErrno();
    const cap_value_t right = CAP_SYS_TIME;
    bool done = true;
    for (const cap_flag_t set : sets)
        done = done && cap_set_flag(caps, set, 1, &right, value) == 0;
    done = done && cap_set_proc(caps) == 0;
    const int err = errno;
    cap_free(caps);
    return done || FailWithErrno(err);
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
        return SetClockRight({CAP_EFFECTIVE}, CAP_SET) ? ClockRightRaise::Raised : ClockRightRaise::Refused;
    }

    ClockSetting StepClock(const ClockStep& step) override
    {
        timex adjustment{};
        adjustment.modes = ADJ_SETOFFSET | ADJ_NANO;
        adjustment.time.tv_sec = static_cast<time_t>(step.Seconds);
        // With ADJ_NANO the field named tv_usec carries nanoseconds.
        adjustment.time.tv_usec = static_cast<suseconds_t>(step.Nanoseconds);
        if (clock_adjtime(CLOCK_REALTIME, &adjustment) >= 0)
            return ClockSetting::Set;
        const int err = errno;
        SetLastError(ErrorFromErrno(err));
        return err == EPERM || err == EACCES ? ClockSetting::NoRight : ClockSetting::Failed;
    }

    bool LowerClockRight() override { return SetClockRight({CAP_EFFECTIVE}, CAP_CLEAR); }

    bool DropClockRightForGood() override { return DropProcessClockRight(); }
};
} // namespace

ClockControl& SystemClockControl()
{
    static LinuxClockControl instance;
    return instance;
}

bool ProcessMayRaiseClockRight()
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return false;
    cap_flag_value_t permitted = CAP_CLEAR;
    const bool read = cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted) == 0;
    cap_free(caps);
    return read && permitted == CAP_SET;
}

bool DropProcessClockRight()
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return errno == ENOSYS || FailWithErrno(); // no capability model: nothing held
    cap_free(caps);
    // Clearing the permitted set clears the ambient one with it; the
    // inheritable one goes too, so no program started later gets it back
    // through a file's inheritable set.
    return SetClockRight({CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE}, CAP_CLEAR);
}

} // namespace brisvander
