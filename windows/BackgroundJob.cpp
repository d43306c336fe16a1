#include "BackgroundJob.h"

#include <QDeadlineTimer>
#include <QThread>

#include <vector>

namespace brisvander {

struct BackgroundJob::State {
    std::atomic<bool> cancelled{false};
    bool delivered = false; // window's thread only
};

namespace {
// Jobs left behind by a window that went away; window's thread only.
std::vector<QPointer<QThread>>& AbandonedJobs()
{
    static std::vector<QPointer<QThread>> jobs;
    return jobs;
}
} // namespace

void BackgroundJob::Start(QObject* receiver, std::function<void(const std::atomic<bool>&)> work,
                          std::function<void()> deliver)
{
    m_state = std::make_shared<State>();
    m_thread = QThread::create([state = m_state, work = std::move(work)] { work(state->cancelled); });
    m_thread->setObjectName(QStringLiteral("window job"));
    // QThread::finished is emitted on the worker and queued to `receiver`,
    // which Qt skips once the receiver is gone; the result is complete by then.
    m_delivery = QObject::connect(m_thread, &QThread::finished, receiver,
                                  [state = m_state, deliver = std::move(deliver)] {
                                      state->delivered = true;
                                      deliver();
                                  });
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
}

BackgroundJob::~BackgroundJob()
{
    if (m_state->delivered)
        return;
    m_state->cancelled = true;
    QObject::disconnect(m_delivery);
    std::erase_if(AbandonedJobs(), [](const QPointer<QThread>& job) { return job.isNull(); });
    if (m_thread)
        AbandonedJobs().push_back(m_thread);
}

void BackgroundJob::Cancel() { m_state->cancelled = true; }

bool BackgroundJob::CancelAsked() const { return m_state->cancelled.load(); }

bool AbandonedJobsRunning()
{
    for (const QPointer<QThread>& job : AbandonedJobs()) {
        if (job && !job->isFinished())
            return true;
    }
    return false;
}

bool WaitForAbandonedJobs(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    for (const QPointer<QThread>& job : AbandonedJobs()) {
        if (job && !job->wait(deadline))
            return false;
    }
    AbandonedJobs().clear();
    return true;
}

} // namespace brisvander
