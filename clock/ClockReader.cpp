#include "ClockReader.h"

#include <atomic>

namespace brisvander {

namespace {
// What the kernel states for CLOCK_REALTIME; a nanosecond, the unit of a
// reading, when it states nothing.
double KernelResolution()
{
    timespec res{};
    return clock_getres(CLOCK_REALTIME, &res) == 0 ? res.tv_sec + res.tv_nsec * 1e-9 : 1e-9;
}

class KernelReader final : public ClockReader {
public:
    timespec ReadRealtime() override
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return now;
    }

    double ResolutionSeconds() override
    {
        // The kernel's answer does not change while the process runs.
        static const double resolution = KernelResolution();
        return resolution;
    }
};

// Read on every Now(); an atomic, so that a worker reads a whole pointer
// while a test puts its reader in place.
std::atomic<ClockReader*>& Current()
{
    static std::atomic<ClockReader*> current{&KernelClockReader()};
    return current;
}
} // namespace

ClockReader& KernelClockReader()
{
    static KernelReader reader;
    return reader;
}

ClockReader& CurrentClockReader() { return *Current().load(); }

ClockReaderOverride::ClockReaderOverride(ClockReader& reader) : m_before(Current().exchange(&reader)) {}

ClockReaderOverride::~ClockReaderOverride() { Current().store(m_before); }

} // namespace brisvander
