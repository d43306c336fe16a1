#include "BackgroundWatch.h"

#include "BackgroundHistoryRecorder.h"
#include "BackgroundJob.h"
#include "HistoryStore.h"
#include "HostText.h"
#include "StandardErrorWarning.h"

#include <QObject>

#include <atomic>
#include <thread>

namespace brisvander {

struct BackgroundWatch::Inbox {
    std::mutex mutex;
    std::vector<WatchMeasurement> measurements; // guarded by mutex
};

namespace {
// A measurement is shown at most this late; a watch asks every second at
// the most, so the poll costs nothing worth waking a thread for.
constexpr int kDeliveryPollMs = 100;
// How soon a stop is seen while the watch waits between exchanges.
constexpr std::chrono::milliseconds kStopPoll{20};

// The job's cancel flag as a watch's stop.
class CancelFlagStop final : public WatchStop {
public:
    explicit CancelFlagStop(const std::atomic<bool>& cancelled) : m_cancelled(cancelled) {}
    bool Requested() override { return m_cancelled.load(); }
    bool WaitFor(std::chrono::milliseconds interval) override
    {
        const auto until = std::chrono::steady_clock::now() + interval;
        while (!Requested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::min(kStopPoll, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                until - std::chrono::steady_clock::now())));
        return Requested();
    }

private:
    const std::atomic<bool>& m_cancelled;
};
} // namespace

BackgroundWatch::BackgroundWatch(QObject* receiver, std::string host, const TimeService& service,
                                 const NtsOptions& nts, std::chrono::milliseconds interval, Measured measured,
                                 Ended ended)
    : m_host(TrimmedHost(host)), m_measured(std::move(measured)), m_ended(std::move(ended)),
      m_inbox(std::make_shared<Inbox>())
{
    m_poll = new QTimer(receiver);
    m_poll->setInterval(kDeliveryPollMs);
    QObject::connect(m_poll, &QTimer::timeout, m_poll, [this] { Deliver(); });
    m_poll->start();

    ClockControl* clock = service.Clock;
    WatchPlan plan;
    plan.Interval = interval;
    plan.Nts = nts;
    m_job = std::make_unique<BackgroundJob>(
        receiver,
        [host = m_host, port = service.Port, clock, plan, inbox = m_inbox](const std::atomic<bool>& cancelled) {
            SntpClient client(*clock);
            BackgroundHistoryRecorder history(DefaultHistoryPath(), WarnOnStandardError);
            WatchSession session(host, port, client, plan.Nts, &history);
            CancelFlagStop stop(cancelled);
            return RunWatch(session, plan, stop, [&inbox](const WatchMeasurement& measurement) {
                const std::lock_guard lock(inbox->mutex);
                inbox->measurements.push_back(measurement);
            });
        },
        [this](const WatchSummary&) {
            Deliver();
            m_job.reset();
            m_poll->stop();
            // The owner may let this object go in its handler.
            if (const Ended ended = m_ended)
                ended();
        });
}

BackgroundWatch::~BackgroundWatch()
{
    // The job is abandoned by its own destructor; the timer goes with it.
    m_job.reset();
    delete m_poll;
}

void BackgroundWatch::Stop()
{
    if (m_job)
        m_job->Cancel();
}

void BackgroundWatch::Deliver()
{
    std::vector<WatchMeasurement> arrived;
    {
        const std::lock_guard lock(m_inbox->mutex);
        arrived.swap(m_inbox->measurements);
    }
    for (const WatchMeasurement& measurement : arrived)
        m_measured(measurement);
}

} // namespace brisvander
