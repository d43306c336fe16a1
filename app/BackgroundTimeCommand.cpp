#include "BackgroundTimeCommand.h"

#include "BackgroundHistoryRecorder.h"
#include "HistoryStore.h"
#include "StandardErrorWarning.h"

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <vector>

namespace brisvander {

struct BackgroundTimeCommand::RunState {
    std::atomic<bool> abandoned{false};
    // Written by the worker, read on the window's thread only after the
    // worker has finished: QThread::finished orders the two.
    TimeCommandOutcome outcome;
    bool delivered = false; // window's thread only
};

namespace {

// Runs left behind by a window that went away; touched on the window's
// thread only.
std::vector<QPointer<QThread>>& AbandonedRuns()
{
    static std::vector<QPointer<QThread>> runs;
    return runs;
}

} // namespace

BackgroundTimeCommand::BackgroundTimeCommand(QObject* receiver, ReportCommand command, std::string host,
                                             const TimeService& service, const NtsOptions& nts, Finished finished)
    : m_state(std::make_shared<RunState>())
{
    // The worker has its own SntpClient, and so its own socket and its own
    // thread-local last error, which RunTimeCommand reads on the worker and
    // carries in the outcome. The one thing shared is the ClockControl, and
    // never by two runs at once: a second command is refused while one runs,
    // and a run is abandoned only as the program ends. (The time service's
    // note of a request still pending is guarded by its own lock; the test
    // stand-in is read only after the run has ended.)
    ClockControl* clock = service.Clock;
    const int port = service.Port;
    m_thread = QThread::create([state = m_state, command, host = std::move(host), port, clock, nts] {
        SntpClient client(*clock);
        // Opened while the exchange runs; its writing waits for the run's end.
        BackgroundHistoryRecorder history(DefaultHistoryPath(), WarnOnStandardError);
        TimeCommandOptions options;
        options.History = &history;
        options.Nts = nts;
        options.MayTouchClock = [&state] { return !state->abandoned.load(); };
        state->outcome = RunTimeCommand(command, host, port, client, options);
    });
    m_thread->setObjectName(QStringLiteral("time command"));

    // The result comes back through QThread::finished, a signal emitted on
    // the worker and queued to `receiver`: the worker never touches a widget
    // or the receiver, which may be gone by then (Qt drops a queued call to
    // a destroyed receiver), and the outcome is complete before the signal.
    m_delivery = QObject::connect(m_thread, &QThread::finished, receiver,
                                  [state = m_state, finished = std::move(finished)] {
                                      state->delivered = true;
                                      finished(state->outcome);
                                  });
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
}

BackgroundTimeCommand::~BackgroundTimeCommand()
{
    if (m_state->delivered)
        return;
    m_state->abandoned = true;
    QObject::disconnect(m_delivery);
    std::erase_if(AbandonedRuns(), [](const QPointer<QThread>& run) { return run.isNull(); });
    if (m_thread)
        AbandonedRuns().push_back(m_thread);
}

bool AbandonedTimeCommandsRunning()
{
    for (const QPointer<QThread>& run : AbandonedRuns()) {
        if (run && !run->isFinished())
            return true;
    }
    return false;
}

bool WaitForAbandonedTimeCommands(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    for (const QPointer<QThread>& run : AbandonedRuns()) {
        if (run && !run->wait(deadline))
            return false;
    }
    AbandonedRuns().clear();
    return true;
}

} // namespace brisvander
