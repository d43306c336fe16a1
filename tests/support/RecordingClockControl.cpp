#include "RecordingClockControl.h"

#include "LastError.h"
#include "ReferenceClock.h"

namespace brisvander::testsupport {

std::vector<RecordingClockControl::Call> RecordingClockControl::Calls() const
{
    std::vector<Call> calls;
    for (const Record& r : records)
        calls.push_back(r.call);
    return calls;
}

std::vector<RecordingClockControl::Record> RecordingClockControl::Of(Call call) const
{
    std::vector<Record> found;
    for (const Record& r : records)
        if (r.call == call)
            found.push_back(r);
    return found;
}

RecordingClockControl::Record& RecordingClockControl::Add(Call call)
{
    Record r;
    r.call = call;
    r.calledAt = RealClockPlus(0.0);
    r.lastErrorOnEntry = GetLastError();
    records.push_back(r);
    return records.back();
}

ClockRightRaise RecordingClockControl::RaiseClockRight()
{
    Add(Call::Raise);
    if (raiseResult == ClockRightRaise::Raised)
        rightRaised = true;
    else if (raiseResult != ClockRightRaise::NoCapabilities)
        SetLastError(failError);
    return raiseResult;
}

std::optional<Failure> RecordingClockControl::StepClock(const ClockStep& step)
{
    Add(Call::Step).step = step;
    if (whileStepping)
        whileStepping();
    if (stepResult)
        return std::nullopt;
    return FailureOf(stepFailure, failError);
}

bool RecordingClockControl::LowerClockRight()
{
    Add(Call::Lower);
    if (!lowerResult) {
        SetLastError(failError);
        return false;
    }
    rightRaised = false;
    return true;
}

bool RecordingClockControl::DropClockRightForGood()
{
    Add(Call::DropForGood);
    if (!dropResult) {
        SetLastError(failError);
        return false;
    }
    rightRaised = false;
    droppedForGood = true;
    return true;
}

} // namespace brisvander::testsupport
