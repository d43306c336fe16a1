#pragma once
// One piece of work on a thread of its own, so that a window keeps painting
// and answering while it runs; its result comes back on the window's thread.
// The pattern of the Info command's worker (BackgroundTimeCommand): the work
// touches no widget, and a window that goes away abandons its job instead
// of waiting for it.
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

class QObject;
class QThread;

namespace brisvander {

class BackgroundJob {
public:
    // Starts `work(cancelled)` at once on a new thread; the work should end
    // soon after `cancelled` turns true. `done(result)` is called once, on
    // `receiver`'s thread from its event loop, unless this object or
    // `receiver` is destroyed first.
    template <class Work, class Done>
    BackgroundJob(QObject* receiver, Work work, Done done)
    {
        using Result = std::invoke_result_t<Work&, const std::atomic<bool>&>;
        auto result = std::make_shared<std::optional<Result>>();
        Start(receiver,
              [result, work = std::move(work)](const std::atomic<bool>& cancelled) mutable {
                  result->emplace(work(cancelled));
              },
              [result, done = std::move(done)]() mutable { done(std::move(**result)); });
    }
    // A job still running is abandoned: asked to end, its result dropped,
    // never waited for.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Asks the work to end early; `done` still comes, with what it returns.
    void Cancel();
    // Whether Cancel was called.
    bool CancelAsked() const;

    struct State;

private:
    void Start(QObject* receiver, std::function<void(const std::atomic<bool>&)> work, std::function<void()> deliver);

    std::shared_ptr<State> m_state;
    QPointer<QThread> m_thread;
    QMetaObject::Connection m_delivery;
};

// true while a job abandoned by its window has not ended. The program then
// ends without waiting for it.
bool AbandonedJobsRunning();
// Waits up to `milliseconds` for every abandoned job to end; true when none
// is left. For tests.
bool WaitForAbandonedJobs(int milliseconds);

} // namespace brisvander
