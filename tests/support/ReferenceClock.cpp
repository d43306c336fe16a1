#include "ReferenceClock.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>

namespace brisvander::testsupport {

NtpTimestamp ReferenceFromTimespec(const timespec& realtime)
{
    const auto seconds = static_cast<std::uint64_t>(static_cast<std::int64_t>(realtime.tv_sec) + 2208988800LL);
    // ns * 2^32 / 10^9, rounded; never reaches 2^32 for ns < 10^9.
    const auto fraction = (static_cast<std::uint64_t>(realtime.tv_nsec) * 4294967296ULL + 500000000ULL) / 1000000000ULL;
    return NtpTimestamp((seconds << 32) + fraction);
}

NtpTimestamp RealClockPlus(double offsetSeconds)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return ShiftedBy(ReferenceFromTimespec(now), offsetSeconds);
}

NtpTimestamp ShiftedBy(const NtpTimestamp& ts, double seconds)
{
    const auto units = static_cast<std::int64_t>(std::llround(seconds * 4294967296.0));
    return NtpTimestamp(ts.Value() + static_cast<std::uint64_t>(units));
}

NtpTimestamp ArrivalOf(msghdr& message)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec ts{};
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
            return ReferenceFromTimespec(ts);
        }
    }
    return RealClockPlus(0.0);
}

} // namespace brisvander::testsupport
