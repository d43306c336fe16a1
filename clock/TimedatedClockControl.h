#pragma once
// Setting the clock without a right of our own: the desktop's time service,
// systemd-timedated, is asked on the system bus to step the clock, and polkit
// decides whether it may (by default: an administrator's password, asked by
// the desktop's own agent), as for the date settings of GNOME and KDE.
#include "ClockControl.h"

#include <QDBusPendingCall>
#include <QString>

#include <chrono>
#include <mutex>
#include <optional>

namespace brisvander {

struct TimedatedBus {
    // The bus to ask; empty: the system bus.
    QString Address;
    // How long to wait for the answer: polkit may wait minutes for a password.
    std::chrono::milliseconds AnswerWait = std::chrono::minutes(2);
};

// Any thread may use it; a request the service has not answered blocks every
// further one (ClockStillPending), since the service may still carry it out.
class TimedatedClockControl final : public ClockControl {
public:
    explicit TimedatedClockControl(TimedatedBus bus = {});
    ~TimedatedClockControl() override;
    TimedatedClockControl(const TimedatedClockControl&) = delete;
    TimedatedClockControl& operator=(const TimedatedClockControl&) = delete;

    // Always ByService: the right is checked by the service, at the step.
    Expected<ClockRightRaise> RaiseClockRight() override;
    // SetTime(step in microseconds, relative, interactive), waited for up to
    // AnswerWait. The service measures the step from the moment it sets the
    // clock, so the time a password prompt takes is not lost.
    std::optional<Failure> StepClock(const ClockStep& step) override;
    // Nothing is raised, nothing held: both succeed.
    std::optional<Failure> LowerClockRight() override;
    std::optional<Failure> DropClockRightForGood() override;

private:
    QDBusPendingCall SendSetTime(std::int64_t microseconds);

    TimedatedBus m_bus;
    QString m_connectionName; // of the private connection to Address
    std::mutex m_mutex;
    std::optional<QDBusPendingCall> m_lastRequest; // guarded by m_mutex
};

// What an error the service (or the bus on its behalf) answered means for
// the user: one of the Clock... failure kinds. Names are D-Bus error names.
FailureKind ClockFailureFromServiceError(const QString& errorName);

} // namespace brisvander
