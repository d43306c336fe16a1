#include "ErrorCodes.h"
#include "LastError.h"
#include "NtpPacket.h"
#include "SntpClient.h"
#include "Trace.h"
#include "UdpSocket.h"

#include <chrono>

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
    NtpTimestamp departure = sent;
    socket.TakeTransmitStamp(departure);

    // Datagrams that cannot prove they answer this request are discarded and
    // the wait goes on; the last one discarded names the failure at the end.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    std::uint32_t lastDiscarded = ErrorCode::TimedOut;
    for (std::uint32_t left = RemainingMs(deadline); left > 0; left = RemainingMs(deadline)) {
        BOOL readable = false;
        if (!socket.WaitReadable(readable, left))
            break;
        if (!readable)
            continue;
        const NtpTimestamp readAt = NtpTimestamp::Now();
        socket.TakeTransmitStamp(departure);
        std::uint8_t reply[NtpReplyBufferSize] = {};
        const UdpSocket::Datagram datagram = socket.ReceiveStamped(reply, sizeof reply);
        if (datagram.Failed) {
            if (GetLastError() == ErrorCode::WouldBlock || GetLastError() == ErrorCode::Interrupted)
                continue;
            Trace("Unable to read reply from the SNTP server, GetLastError returns %d\n",
                  static_cast<int>(GetLastError()));
            return FailKeepingError(socket);
        }
        // A result is written only for a reply that passed every check.
        SntpResult candidate = result;
        const std::uint32_t verdict = EvaluateNtpReply(reply, datagram.FullLength, sent, departure,
                                                       datagram.HasArrivalStamp ? datagram.Arrival : readAt, candidate);
        if (verdict == ErrorCode::MalformedReply || verdict == ErrorCode::ForeignReply) {
            lastDiscarded = verdict;
            continue;
        }
        if (verdict != ErrorCode::Success) {
            Trace("The SNTP server is not synchronised, GetLastError returns %d\n", static_cast<int>(verdict));
            socket.Close();
            SetLastError(verdict);
            return false;
        }
        result = candidate;
        socket.Close();
        return true;
    }

    Trace("Unable to wait for NTP reply from the SNTP server, GetLastError returns %d\n",
          static_cast<int>(lastDiscarded));
    socket.Close();
    SetLastError(lastDiscarded);
    return false;
}

} // namespace brisvander
