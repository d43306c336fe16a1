#include "TimedatedClockControl.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <limits>
#include <thread>

namespace brisvander {

namespace {
const QString Service = QStringLiteral("org.freedesktop.timedate1");
const QString ObjectPath = QStringLiteral("/org/freedesktop/timedate1");
const QString Interface = QStringLiteral("org.freedesktop.timedate1");

// The bus's own time-out would end the wait while polkit still waits for a
// password; the wait is ours (AnswerWait).
constexpr int NoBusTimeout = std::numeric_limits<int>::max();
constexpr auto AnswerPoll = std::chrono::milliseconds(10);

// A pending call finishes on Qt's D-Bus thread, so this thread need run no
// event loop (it may be the window's, or a worker without one).
bool WaitForAnswer(const QDBusPendingCall& call, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!call.isFinished()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(AnswerPoll);
    }
    return true;
}

bool StartsWith(const QString& name, const char* prefix)
{
    return name.startsWith(QLatin1String(prefix));
}
} // namespace

FailureKind ClockFailureFromServiceError(const QString& name)
{
    if (name == "org.freedesktop.DBus.Error.AccessDenied" || name == "org.freedesktop.DBus.Error.AuthFailed" ||
        StartsWith(name, "org.freedesktop.PolicyKit1.Error."))
        return FailureKind::ClockNotAuthorised;
    if (name == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
        return FailureKind::ClockNoAgent;
    if (name == "org.freedesktop.timedate1.AutomaticTimeSyncEnabled")
        return FailureKind::ClockAutomaticSyncOn;
    // Gone before it answered: whether it set the clock cannot be told.
    if (name == "org.freedesktop.DBus.Error.NoReply")
        return FailureKind::ClockServiceGone;
    // No bus to reach anyone on.
    if (name == "org.freedesktop.DBus.Error.NoServer" || name == "org.freedesktop.DBus.Error.Disconnected" ||
        name == "org.freedesktop.DBus.Error.NoNetwork" || name == "org.freedesktop.DBus.Error.FileNotFound" ||
        name == "org.freedesktop.DBus.Error.TimedOut")
        return FailureKind::ClockNoBus;
    // A bus, but no such service, or one that cannot be started: nobody to ask.
    if (name == "org.freedesktop.DBus.Error.ServiceUnknown" || name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
        name == "org.freedesktop.DBus.Error.UnknownObject" || name == "org.freedesktop.DBus.Error.UnknownInterface" ||
        name == "org.freedesktop.DBus.Error.UnknownMethod" || StartsWith(name, "org.freedesktop.DBus.Error.Spawn.") ||
        StartsWith(name, "org.freedesktop.systemd1."))
        return FailureKind::ClockNoService;
    return FailureKind::ClockRefused;
}

TimedatedClockControl::TimedatedClockControl(TimedatedBus bus)
    : m_bus(std::move(bus)),
      m_connectionName(QStringLiteral("brisvander-timedated-%1").arg(reinterpret_cast<quintptr>(this)))
{
}

TimedatedClockControl::~TimedatedClockControl()
{
    if (!m_bus.Address.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
}

Expected<ClockRightRaise> TimedatedClockControl::RaiseClockRight() { return ClockRightRaise::ByService; }

std::optional<Failure> TimedatedClockControl::LowerClockRight() { return std::nullopt; }

std::optional<Failure> TimedatedClockControl::DropClockRightForGood() { return std::nullopt; }

QDBusPendingCall TimedatedClockControl::SendSetTime(std::int64_t microseconds)
{
    // Connected on the first step only: Info never touches the bus.
    const QDBusConnection bus = m_bus.Address.isEmpty()
                                    ? QDBusConnection::systemBus()
                                    : QDBusConnection::connectToBus(m_bus.Address, m_connectionName);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath, Interface, QStringLiteral("SetTime"));
    call << static_cast<qlonglong>(microseconds) << true << true; // relative, interactive
    // polkit may ask for a password only where the message says so, too.
    call.setInteractiveAuthorizationAllowed(true);
    return bus.asyncCall(call, NoBusTimeout);
}

std::optional<Failure> TimedatedClockControl::StepClock(const ClockStep& step)
{
    std::unique_lock lock(m_mutex);
    if (m_lastRequest && !m_lastRequest->isFinished())
        return FailureOf(FailureKind::ClockStillPending);
    const QDBusPendingCall request = SendSetTime(ClockStepMicroseconds(step));
    m_lastRequest = request;
    lock.unlock();

    if (!WaitForAnswer(request, m_bus.AnswerWait))
        return FailureOf(FailureKind::ClockNoAnswer);
    const QDBusMessage answer = request.reply();
    if (answer.type() != QDBusMessage::ErrorMessage)
        return std::nullopt;
    return FailureOf(ClockFailureFromServiceError(answer.errorName()));
}

} // namespace brisvander
