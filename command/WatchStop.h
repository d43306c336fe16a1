#pragma once
// How a watch learns that it is to end, and how it waits between exchanges
// so that the end comes at once rather than after the wait. The
// command-line program ends it on a signal (its own WatchStop); the window,
// or a test, through FlagWatchStop.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brisvander {

class WatchStop {
public:
    virtual ~WatchStop() = default;
    // Whether the watch is to end now.
    virtual bool Requested() = 0;
    // Blocks for `interval` or until a stop is requested, whichever comes
    // first; true when a stop was requested.
    virtual bool WaitFor(std::chrono::milliseconds interval) = 0;
};

// A stop requested from any thread.
class FlagWatchStop final : public WatchStop {
public:
    // Ends the watch: a wait under way returns at once. Any thread.
    void Request();
    bool Requested() override;
    bool WaitFor(std::chrono::milliseconds interval) override;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_requested = false; // guarded by m_mutex
};

} // namespace brisvander
