#include "CapabilityClockControl.h"

#include "ClockRightHelper.h"
#include "ErrorCodes.h"

#include <cerrno>
#include <initializer_list>
#include <sys/capability.h>

namespace brisvander {

namespace {
// `kind` with the system's error `err`.
Failure SystemFailure(FailureKind kind, int err)
{
    Failure failure = FailureOf(kind, ErrorFromErrno(err));
    failure.SystemError = err;
    return failure;
}

// Clears CAP_SYS_TIME from the given sets of the calling thread.
std::optional<Failure> ClearClockRight(std::initializer_list<cap_flag_t> sets)
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return SystemFailure(FailureKind::ClockRightNotGivenUp, errno);
    const cap_value_t right = CAP_SYS_TIME;
    bool done = true;
    for (const cap_flag_t set : sets)
        done = done && cap_set_flag(caps, set, 1, &right, CAP_CLEAR) == 0;
    done = done && cap_set_proc(caps) == 0;
    const int err = errno;
    cap_free(caps);
    if (done)
        return std::nullopt;
    return SystemFailure(FailureKind::ClockRightNotGivenUp, err);
}

// Every call goes to the clock helper, the one process that holds the right
// (ClockRightHelper.h); without one, the right is not ours to raise.
class CapabilityPath final : public ClockControl {
public:
    Expected<ClockRightRaise> RaiseClockRight() override
    {
        const ClockHelperAnswer answer = AskClockHelper(ClockHelperRequest::Raise);
        if (answer.Reached && answer.Errno == 0)
            return ClockRightRaise::Raised;
        const bool unknown = answer.Reached && answer.Errno == EINVAL;
        return SystemFailure(unknown ? FailureKind::ClockRightUnknown : FailureKind::ClockRightRefused, answer.Errno);
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
        return SystemFailure(kind, answer.Errno);
    }

    std::optional<Failure> LowerClockRight() override
    {
        if (!ClockHelperRunning())
            return ClearClockRight({CAP_EFFECTIVE});
        const ClockHelperAnswer answer = AskClockHelper(ClockHelperRequest::Lower);
        if (answer.Reached && answer.Errno == 0 && !answer.RightInEffect)
            return std::nullopt;
        return SystemFailure(FailureKind::ClockRightNotGivenUp, answer.Errno != 0 ? answer.Errno : EPERM);
    }

    std::optional<Failure> DropClockRightForGood() override
    {
        if (!EndClockHelper())
            return SystemFailure(FailureKind::ClockRightNotGivenUp, errno);
        return DropProcessClockRight();
    }
};
} // namespace

ClockControl& CapabilityClockControl()
{
    static CapabilityPath instance;
    return instance;
}

bool ProcessMayRaiseClockRight() { return ClockHelperRunning(); }

std::optional<Failure> DropProcessClockRight()
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr) // no capability model: nothing held
        return errno == ENOSYS ? std::nullopt
                               : std::optional(SystemFailure(FailureKind::ClockRightNotGivenUp, errno));
    cap_free(caps);
    // Clearing the permitted set clears the ambient one with it; the
    // inheritable one goes too, so no program started later gets it back
    // through a file's inheritable set.
    return ClearClockRight({CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE});
}

} // namespace brisvander
