#include "CapabilityClockControl.h"

#include "ClockRightHelper.h"
#include "ErrorCodes.h"
#include "LastError.h"

#include <cerrno>
#include <initializer_list>
#include <sys/capability.h>

namespace brisvander {

namespace {
// Sets or clears CAP_SYS_TIME in the given sets of the calling thread.
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

// Every call goes to the clock helper, the one process that holds the right
// (ClockRightHelper.h); without one, the right is not ours to raise.
class CapabilityPath final : public ClockControl {
public:
    ClockRightRaise RaiseClockRight() override
    {
        const ClockHelperAnswer answer = AskClockHelper(ClockHelperRequest::Raise);
        if (answer.Reached && answer.Errno == 0)
            return ClockRightRaise::Raised;
        SetLastError(ErrorFromErrno(answer.Errno));
        return answer.Reached && answer.Errno == EINVAL ? ClockRightRaise::UnknownRight : ClockRightRaise::Refused;
    }

    std::optional<Failure> StepClock(const ClockStep& step) override
    {
        const ClockHelperAnswer answer = AskClockHelper(ClockHelperRequest::Step, step);
        if (answer.Reached && answer.Errno == 0)
            return std::nullopt;
        const bool refused = answer.Errno == EPERM || answer.Errno == EACCES;
        FailureKind kind = answer.Reached ? FailureKind::ClockRefused : FailureKind::ClockNoRight;
        if (refused)
            kind = answer.RightInEffect ? FailureKind::ClockKernelRefused : FailureKind::ClockNoRight;
        Failure failure = FailureOf(kind, ErrorFromErrno(answer.Errno));
        failure.SystemError = answer.Errno;
        return failure;
    }

    bool LowerClockRight() override
    {
        if (!ClockHelperRunning())
            return SetClockRight({CAP_EFFECTIVE}, CAP_CLEAR);
        const ClockHelperAnswer answer = AskClockHelper(ClockHelperRequest::Lower);
        if (answer.Reached && answer.Errno == 0 && !answer.RightInEffect)
            return true;
        return FailWithErrno(answer.Errno != 0 ? answer.Errno : EPERM);
    }

    bool DropClockRightForGood() override { return EndClockHelper() && DropProcessClockRight(); }
};
} // namespace

ClockControl& CapabilityClockControl()
{
    static CapabilityPath instance;
    return instance;
}

bool ProcessMayRaiseClockRight() { return ClockHelperRunning(); }

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
