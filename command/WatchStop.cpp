#include "WatchStop.h"

namespace brisvander {

void FlagWatchStop::Request()
{
    {
        const std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_all();
}

bool FlagWatchStop::Requested()
{
    const std::lock_guard lock(m_mutex);
    return m_requested;
}

bool FlagWatchStop::WaitFor(std::chrono::milliseconds interval)
{
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, interval, [this] { return m_requested; });
}

} // namespace brisvander
