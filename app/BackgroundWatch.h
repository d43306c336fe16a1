#pragma once
// Zeitserver > Beobachten's worker: one server asked again and again on a
// thread of its own, every answer recorded in the history, until stopped.
// Each measurement reaches the window's thread as it comes; the window
// keeps painting, and Info and Abgleichen run beside it on their own
// threads.
#include "NtsQuery.h"
#include "TimeService.h"
#include "WatchCommand.h"

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QObject;

namespace brisvander {

class BackgroundJob;

class BackgroundWatch {
public:
    using Measured = std::function<void(const WatchMeasurement& measurement)>;
    using Ended = std::function<void()>;

    // Starts watching `host` (as typed; blanks around it are dropped) at
    // once, an exchange every `interval` from the start of one to the next.
    // `measured` and then `ended` are called on `receiver`'s thread from its
    // event loop, never after this object or `receiver` is gone.
    // `service.Clock` is only read, and must outlive the watch.
    BackgroundWatch(QObject* receiver, std::string host, const TimeService& service, const NtsOptions& nts,
                    std::chrono::milliseconds interval, Measured measured, Ended ended);
    // A watch still running is stopped and abandoned: an exchange under way
    // (at most its time-out) ends on its own and is not waited for.
    ~BackgroundWatch();
    BackgroundWatch(const BackgroundWatch&) = delete;
    BackgroundWatch& operator=(const BackgroundWatch&) = delete;

    // Asks the watch to end; `ended` follows once the exchange under way,
    // if any, is over.
    void Stop();
    // Not yet ended, though perhaps asked to.
    bool Running() const { return m_job != nullptr; }
    const std::string& Host() const { return m_host; }

    struct Inbox; // measurements handed from the worker to the window's thread

private:
    void Deliver();

    std::string m_host;
    Measured m_measured;
    Ended m_ended;
    std::shared_ptr<Inbox> m_inbox;
    QPointer<QTimer> m_poll; // owned by the receiver, which may go first
    std::unique_ptr<BackgroundJob> m_job;
};

} // namespace brisvander
