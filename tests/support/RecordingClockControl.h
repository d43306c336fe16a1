#pragma once
// A stand-in for the clock right and the clock step: records every call,
// answers as told, and never touches the real clock.
#include "ClockControl.h"
#include "NtpTimestamp.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace brisvander::testsupport {

class RecordingClockControl final : public ClockControl {
public:
    enum class Call { Raise, Step, Lower, DropForGood };
    struct Record {
        Call call = Call::Raise;
        ClockStep step;                     // Step: the step asked for
        NtpTimestamp calledAt;              // the real clock at the call
        std::uint32_t lastErrorOnEntry = 0; // the thread's last error when called
        double StepSeconds() const { return static_cast<double>(step.Seconds) + step.Nanoseconds * 1e-9; }
    };

    // What each call answers; a failing call's failure has the number failError.
    ClockRightRaise raiseResult = ClockRightRaise::Raised;
    std::optional<FailureKind> raiseFailure; // set: the raise fails so
    bool stepResult = true;
    FailureKind stepFailure = FailureKind::ClockNoRight; // what a failing step answers
    bool lowerResult = true;
    bool dropResult = true;
    std::uint32_t failError = 10013;
    // Runs inside the step, while the right is raised.
    std::function<void()> whileStepping;

    // The simulated effective right: raised and cleared by successful calls.
    bool rightRaised = false;
    // Set by a successful drop for good.
    bool droppedForGood = false;

    std::vector<Record> records;
    std::vector<Call> Calls() const;
    std::vector<Record> Of(Call call) const;

    Expected<ClockRightRaise> RaiseClockRight() override;
    std::optional<Failure> StepClock(const ClockStep& step) override;
    std::optional<Failure> LowerClockRight() override;
    std::optional<Failure> DropClockRightForGood() override;

private:
    Record& Add(Call call);
};

} // namespace brisvander::testsupport
