#pragma once
// One Info or Abgleichen on a worker thread: the name lookup, the exchange
// and the clock setting take seconds (a silent server five, a password
// prompt for the clock up to two minutes), and the window must keep
// painting and answering meanwhile.
#include "ReportText.h"
#include "TimeCommand.h"
#include "TimeService.h"

#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QObject;
class QThread;

namespace brisvander {

class BackgroundTimeCommand {
public:
    using Finished = std::function<void(const TimeCommandOutcome& outcome)>;

    // Starts the run at once. `finished` is called once, on `receiver`'s
    // thread from its event loop, unless this object or `receiver` is
    // destroyed first. `service.Clock` must outlive the run. With `nts`
    // enabled the run is authenticated.
    BackgroundTimeCommand(QObject* receiver, ReportCommand command, std::string host, const TimeService& service,
                          const NtsOptions& nts, Finished finished);
    // A run still going is abandoned, not waited for: it ends on its own
    // (a name lookup cannot be cancelled), its result is dropped, and it
    // no longer sets the clock.
    ~BackgroundTimeCommand();
    BackgroundTimeCommand(const BackgroundTimeCommand&) = delete;
    BackgroundTimeCommand& operator=(const BackgroundTimeCommand&) = delete;

    struct RunState;

private:
    std::shared_ptr<RunState> m_state;
    QPointer<QThread> m_thread;
    QMetaObject::Connection m_delivery;
};

// true while a run abandoned by its window has not ended yet. The program
// then ends without waiting for it.
bool AbandonedTimeCommandsRunning();
// Waits up to `milliseconds` for every abandoned run to end; true when none
// is left. For tests, which must keep their fake clock until then.
bool WaitForAbandonedTimeCommands(int milliseconds);

} // namespace brisvander
