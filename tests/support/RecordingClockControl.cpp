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

Expected<ClockRightRaise> RecordingClockControl::RaiseClockRight()
{
    Add(Call::Raise);
    if (raiseFailure)
        return FailureOf(*raiseFailure, failError);
    if (raiseResult == ClockRightRaise::Raised)
        rightRaised = true;
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

std::optional<Failure> RecordingClockControl::LowerClockRight()
{
    Add(Call::Lower);
    if (!lowerResult)
        return FailureOf(FailureKind::ClockRightNotGivenUp, failError);
    rightRaised = false;
    return std::nullopt;
}

std::optional<Failure> RecordingClockControl::DropClockRightForGood()
{
    Add(Call::DropForGood);
    if (!dropResult)
        return FailureOf(FailureKind::ClockRightNotGivenUp, failError);
    rightRaised = false;
    droppedForGood = true;
    return std::nullopt;
}

} // namespace brisvander::testsupport
