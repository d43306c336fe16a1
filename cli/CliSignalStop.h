#pragma once
// A watch's end by SIGINT (Ctrl+C) or SIGTERM: while one of these exists,
// the two signals set a flag and wake its wait instead of ending the
// process, so that the watch can print its summary. One at a time.
#include "WatchStop.h"

#include <csignal>

namespace brisvander {

class SignalWatchStop final : public WatchStop {
public:
    // Installs the handlers (without SA_RESTART, so a wait for a reply is cut short too).
    SignalWatchStop();
    // Puts the handlers back that were there before.
    ~SignalWatchStop() override;
    SignalWatchStop(const SignalWatchStop&) = delete;
    SignalWatchStop& operator=(const SignalWatchStop&) = delete;

    // Ends the watch as a signal would.
    void Request();
    bool Requested() override;
    bool WaitFor(std::chrono::milliseconds interval) override;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

} // namespace brisvander
