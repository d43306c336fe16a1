#pragma once
// Reading the machine's clock (CLOCK_REALTIME) behind a seam, as setting it
// is behind ClockControl: the time core reads the clock only through the
// current reader, so a test can hold time still or let it drift without
// touching the machine's clock. The kernel's own stamps of a datagram's
// departure and arrival are not readings: they keep the machine's time.
#include <ctime>

namespace brisvander {

class ClockReader {
public:
    virtual ~ClockReader() = default;
    // The clock now: seconds since 1970-01-01 00:00:00 UTC, and nanoseconds
    // 0 to 999999999 (never negative, also before 1970).
    virtual timespec ReadRealtime() = 0;
    // The smallest step between two different readings, in seconds (> 0).
    // Unless a reader says otherwise, a nanosecond: the unit of a reading.
    virtual double ResolutionSeconds() { return 1e-9; }
};

// The kernel's CLOCK_REALTIME at its full (nanosecond) resolution, and the
// resolution the kernel states for it. Shared by the whole process.
ClockReader& KernelClockReader();

// What the process reads the clock through: the kernel's reader unless an
// override is in place. Any thread may call it at any time.
ClockReader& CurrentClockReader();

// Puts `reader` in place of the current reader for the override's lifetime,
// and the reader before it back at its end; overrides end in the reverse
// order of their start. For tests: `reader` is not owned, and must outlive
// every reading a thread starts while it is in place.
class ClockReaderOverride {
public:
    explicit ClockReaderOverride(ClockReader& reader);
    ~ClockReaderOverride();
    ClockReaderOverride(const ClockReaderOverride&) = delete;
    ClockReaderOverride& operator=(const ClockReaderOverride&) = delete;

private:
    ClockReader* m_before;
};

} // namespace brisvander
