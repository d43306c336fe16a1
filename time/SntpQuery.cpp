#include "ErrorCodes.h"
#include "LastError.h"
#include "NtpPacket.h"
#include "SntpClient.h"
#include "Trace.h"
#include "UdpSocket.h"

#include <chrono>
#include <ctime>

namespace brisvander {

namespace {
using Clock = std::chrono::steady_clock;

BOOL FailKeepingError(UdpSocket& socket)
{
    const std::uint32_t saved = GetLastError();
    socket.Close();
    SetLastError(saved);
    return false;
}

std::uint32_t RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    // Round a sub-millisecond remainder up so the wait never ends early.
    if (left <= 0)
        return deadline > Clock::now() ? 1 : 0;
    return static_cast<std::uint32_t>(left);
}

// When our request left (the kernel's stamp where it gave one) and what it carried.
struct ExchangeStamps {
    NtpTimestamp sent;
    NtpTimestamp departure;
    bool departureFromKernel = false;
};

// The resolution of CLOCK_REALTIME in seconds, read once.
double LocalClockResolution()
{
    static const double resolution = [] {
        timespec res{};
        return clock_getres(CLOCK_REALTIME, &res) == 0 ? res.tv_sec + res.tv_nsec * 1e-9
                                                         : DefaultLocalResolutionSeconds;
    }();
    return resolution;
}

// Reads one waiting datagram and judges it; the result is written only for
// a reply that passed every check.
std::uint32_t TakeOneDatagram(UdpSocket& socket, const ExchangeStamps& stamps, SntpResult& result)
{
    const NtpTimestamp readAt = NtpTimestamp::Now();
    std::uint8_t reply[NtpReplyBufferSize] = {};
    const UdpSocket::Datagram datagram = socket.ReceiveStamped(reply, sizeof reply);
    if (datagram.Failed)
        return GetLastError();
    SntpResult candidate = result;
    const std::uint32_t verdict =
        EvaluateNtpReply(reply, datagram.FullLength, stamps.sent, stamps.departure,
                         datagram.HasArrivalStamp ? datagram.Arrival : readAt, candidate, LocalClockResolution());
    if (verdict == ErrorCode::Success)
        result = candidate;
    return verdict;
}

// Datagrams that cannot prove they answer this request are discarded and the
// wait goes on; the last one discarded names the failure at the end.
std::uint32_t AwaitReply(UdpSocket& socket, ExchangeStamps& stamps,
                                     std::chrono::steady_clock::time_point deadline, SntpResult& result)
{
    std::uint32_t lastDiscarded = ErrorCode::TimedOut;
    for (std::uint32_t left = RemainingMs(deadline); left > 0; left = RemainingMs(deadline)) {
        BOOL readable = false;
        if (!socket.WaitReadable(readable, left))
            break;
        if (!readable)
            continue;
        if (!stamps.departureFromKernel)
            stamps.departureFromKernel = socket.TakeTransmitStamp(stamps.departure);
        // Everything waiting is read before the next wait, so that a flood of
        // forgeries cannot fill the buffer and push the true reply out.
        while (Clock::now() < deadline) {
            const std::uint32_t verdict = TakeOneDatagram(socket, stamps, result);
            if (verdict == ErrorCode::WouldBlock || verdict == ErrorCode::Interrupted)
                break;
            if (verdict == ErrorCode::MalformedReply || verdict == ErrorCode::ForeignReply) {
                lastDiscarded = verdict;
                continue;
            }
            if (verdict == ErrorCode::ServerUnsynchronised)
                Trace("The SNTP server is not synchronised, GetLastError returns %d\n", static_cast<int>(verdict));
            else if (verdict != ErrorCode::Success)
                Trace("Unable to read reply from the SNTP server, GetLastError returns %d\n",
                      static_cast<int>(verdict));
            return verdict;
        }
    }
    Trace("Unable to wait for NTP reply from the SNTP server, GetLastError returns %d\n",
          static_cast<int>(lastDiscarded));
    return lastDiscarded;
}
} // namespace

BOOL SntpClient::QueryServer(const char* host, SntpResult& result, int port)
{
    UdpSocket socket;
    if (!socket.Create()) {
        Trace("Failed to create client socket, GetLastError returns: %d\n", static_cast<int>(GetLastError()));
        return false;
    }
    if (!socket.Connect(host, port)) {
        Trace("Could not connect to the SNTP server %s on port %d, GetLastError returns: %d\n", host ? host : "",
              port, static_cast<int>(GetLastError()));
        return FailKeepingError(socket);
    }

    const NtpTimestamp sent = NtpTimestamp::Now();
    const NtpRequest request = BuildNtpRequest(sent);
    if (!socket.Send(request.data(), request.size())) {
        Trace("Failed in call to send NTP request to the SNTP server, GetLastError returns %d\n",
              static_cast<int>(GetLastError()));
        return FailKeepingError(socket);
    }

    // The kernel's departure stamp is usually there at once; else it comes with the wait.
    ExchangeStamps stamps{sent, sent, false};
    stamps.departureFromKernel = socket.TakeTransmitStamp(stamps.departure);

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    const std::uint32_t verdict = AwaitReply(socket, stamps, deadline, result);
    socket.Close();
    SetLastError(verdict);
    return verdict == ErrorCode::Success;
}

} // namespace brisvander
