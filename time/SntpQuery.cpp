#include "ClockReader.h"
#include "Deadline.h"
#include "ErrorCodes.h"
#include "InterleavedMode.h"
#include "LastError.h"
#include "NtpPacket.h"
#include "ReplyAuthenticator.h"
#include "SntpClient.h"
#include "Trace.h"
#include "UdpSocket.h"

#include <chrono>
#include <vector>

namespace brisvander {

namespace {
using Clock = std::chrono::steady_clock;

// The socket's failure, as its call left it in the last-error value.
Failure SocketFailure() { return NumberedFailure(GetLastError()); }

// One request in flight: what it carried, when it really left, and how its
// replies are judged.
struct Exchange {
    UdpSocket& socket;
    ReplyAuthenticator* authenticator; // null for a plain exchange
    InterleavedState* interleaving;    // null outside interleaved mode
    SentStamps sent;
    NtpTimestamp departure;
    bool departureFromKernel = false;
    std::vector<std::uint8_t> buffer;  // room for the longest reply taken
    bool failureUnproven = false;      // the wait's failure rests on a noted NAK or ICMP error

    std::size_t LongestReply() const
    {
        return authenticator != nullptr ? authenticator->LargestReply() : NtpReplyBufferSize;
    }
};

// One datagram's verdict (nullopt: a usable reply), and whether it rests
// only on what anyone on the path can send without the session's keys: an
// NTS NAK, or an ICMP error the kernel reports at the next read.
struct Judged {
    std::optional<Failure> verdict;
    bool unproven = false;
    std::uint32_t Number() const { return NumberOf(verdict); }
};

// The errors a forged ICMP message can cause on a connected UDP socket.
bool IsPathError(std::uint32_t error)
{
    return error == ErrorCode::ConnectionReset || error == ErrorCode::HostUnreachable ||
           error == ErrorCode::NetworkUnreachable;
}

// An authenticated exchange first asks whether the datagram is proven to be
// ours; only then do the usual checks see it.
Judged Authenticate(Exchange& exchange, std::size_t received)
{
    if (exchange.authenticator == nullptr)
        return {};
    switch (exchange.authenticator->CheckReply({exchange.buffer.data(), received})) {
    case ReplyAuthenticity::Authentic: return {};
    case ReplyAuthenticity::Refused: return {NumberedFailure(ErrorCode::ServerUnsynchronised), true};
    case ReplyAuthenticity::NotOurs: break;
    }
    return {NumberedFailure(ErrorCode::NoAuthenticReply), false};
}

// Reads one waiting datagram and judges it; the result is written only for
// a reply that passed every check.
Judged TakeOneDatagram(Exchange& exchange, SntpResult& result)
{
    const NtpTimestamp readAt = NtpTimestamp::Now();
    std::fill(exchange.buffer.begin(), exchange.buffer.end(), std::uint8_t{0});
    const UdpSocket::Datagram datagram = exchange.socket.ReceiveStamped(exchange.buffer.data(), exchange.buffer.size());
    if (datagram.Failed)
        return {SocketFailure(), exchange.authenticator != nullptr && IsPathError(GetLastError())};
    const std::size_t received = std::min(datagram.FullLength, exchange.buffer.size());
    if (Judged authenticity = Authenticate(exchange, received); authenticity.verdict)
        return authenticity;
    SntpResult candidate = result;
    const NtpTimestamp arrival = datagram.HasArrivalStamp ? datagram.Arrival : readAt;
    const double resolution = CurrentClockReader().ResolutionSeconds();
    std::optional<Failure> verdict;
    if (exchange.interleaving == nullptr) {
        verdict = EvaluateNtpReply(exchange.buffer.data(), datagram.FullLength, exchange.sent.Transmit,
                                   exchange.departure, arrival, candidate, resolution, exchange.LongestReply());
    } else {
        ExchangeStamps latest;
        InterleavedState& state = *exchange.interleaving;
        verdict = EvaluateInterleavedReply(exchange.buffer.data(), datagram.FullLength, exchange.sent,
                                           exchange.departure, arrival, state.Previous, candidate, latest,
                                           resolution, exchange.LongestReply());
        if (!verdict) {
            state.Previous = latest;
            state.PreviousAnswerInterleaved = candidate.Interleaved;
        }
    }
    if (!verdict)
        result = candidate;
    return {std::move(verdict), false};
}

bool Discarded(std::uint32_t verdict)
{
    return verdict == ErrorCode::MalformedReply || verdict == ErrorCode::ForeignReply ||
           verdict == ErrorCode::NoAuthenticReply;
}

// Datagrams that cannot prove they answer this request are discarded and the
// wait goes on; the last one discarded names the failure at the end. In an
// authenticated exchange a NAK or an ICMP error is noted, not obeyed (anyone
// who saw the request can send one, RFC 8915 section 5.7): the wait goes on,
// and the last one noted names the failure only if no authentic reply came.
std::optional<Failure> AwaitReply(Exchange& exchange, Clock::time_point deadline, SntpResult& result)
{
    Failure lastDiscarded = NumberedFailure(ErrorCode::TimedOut);
    std::optional<Failure> lastNoted;
    for (int left = MillisecondsUntil(deadline); left > 0; left = MillisecondsUntil(deadline)) {
        BOOL readable = false;
        if (!exchange.socket.WaitReadable(readable, static_cast<std::uint32_t>(left)))
            break;
        if (!readable)
            continue;
        if (!exchange.departureFromKernel)
            exchange.departureFromKernel = exchange.socket.TakeTransmitStamp(exchange.departure);
        // Everything waiting is read before the next wait, so that a flood of
        // forgeries cannot fill the buffer and push the true reply out.
        while (Clock::now() < deadline) {
            Judged judged = TakeOneDatagram(exchange, result);
            const std::uint32_t verdict = judged.Number();
            if (verdict == ErrorCode::WouldBlock || verdict == ErrorCode::Interrupted)
                break;
            if (Discarded(verdict)) {
                lastDiscarded = std::move(*judged.verdict);
                continue;
            }
            if (judged.unproven) {
                lastNoted = std::move(judged.verdict);
                continue;
            }
            if (verdict == ErrorCode::ServerUnsynchronised)
                Trace("The SNTP server is not synchronised, GetLastError returns %d\n", static_cast<int>(verdict));
            else if (verdict != ErrorCode::Success)
                Trace("Unable to read reply from the SNTP server, GetLastError returns %d\n",
                      static_cast<int>(verdict));
            return std::move(judged.verdict);
        }
    }
    exchange.failureUnproven = lastNoted.has_value();
    Failure failure = exchange.failureUnproven ? std::move(*lastNoted) : std::move(lastDiscarded);
    Trace("Unable to wait for NTP reply from the SNTP server, GetLastError returns %d\n",
          static_cast<int>(failure.Number));
    return failure;
}

// The header to send: plain version 3 unless NTS or interleaved mode needs version 4.
NtpRequest BuildHeader(const Exchange& exchange)
{
    if (exchange.interleaving != nullptr)
        return BuildInterleavedRequest(exchange.sent.Transmit, exchange.interleaving->Previous);
    if (exchange.authenticator != nullptr)
        return BuildNtpRequest(exchange.sent.Transmit, NtpV4RequestFirstByte);
    return BuildNtpRequest(exchange.sent.Transmit);
}

// The datagram to send, stamped now; empty when the authenticator cannot seal it.
std::vector<std::uint8_t> BuildRequest(const Exchange& exchange)
{
    const NtpRequest header = BuildHeader(exchange);
    if (exchange.authenticator == nullptr)
        return {header.begin(), header.end()};
    return exchange.authenticator->SealRequest(header);
}
} // namespace

BOOL SntpClient::QueryServer(const char* host, SntpResult& result, int port)
{
    return Answered(Query(host, result, port, nullptr));
}

BOOL SntpClient::QueryServer(const char* host, SntpResult& result, int port, ReplyAuthenticator& authenticator)
{
    return Answered(Query(host, result, port, &authenticator));
}

BOOL SntpClient::Answered(const std::optional<Failure>& failure)
{
    SetLastError(NumberOf(failure));
    return !failure;
}

std::optional<Failure> SntpClient::Query(const char* host, SntpResult& result, int port,
                                         ReplyAuthenticator* authenticator)
{
    LastFailureUnproven = false;
    UdpSocket socket;
    if (!socket.Create()) {
        Trace("Failed to create client socket, GetLastError returns: %d\n", static_cast<int>(GetLastError()));
        return SocketFailure();
    }
    if (!socket.Connect(host, port)) {
        Trace("Could not connect to the SNTP server %s on port %d, GetLastError returns: %d\n", host ? host : "",
              port, static_cast<int>(GetLastError()));
        return SocketFailure();
    }
    InterleavedState* interleaving = Interleaving ? &*Interleaving : nullptr;
    const bool primed = interleaving != nullptr && interleaving->PreviousAnswerInterleaved;
    std::optional<Failure> verdict = ExchangeOnce(socket, authenticator, interleaving, result);
    if (verdict || !result.Interleaved || primed)
        return verdict;
    // The first interleaved answer may carry a transmit stamp the server took
    // before it kept precise ones, so it only opens the mode: the exchange it
    // answered is completed by one more request at once, and the first
    // answer's figures stand only if that one fails.
    SntpResult completed = result;
    if (!ExchangeOnce(socket, authenticator, interleaving, completed))
        result = completed;
    LastFailureUnproven = false;
    return std::nullopt;
}

std::optional<Failure> SntpClient::ExchangeOnce(UdpSocket& socket, ReplyAuthenticator* authenticator,
                                                InterleavedState* interleaving, SntpResult& result)
{
    Exchange exchange{socket, authenticator, interleaving, {}, {}, false, {}, false};
    exchange.sent.Transmit = NtpTimestamp::Now();
    if (interleaving != nullptr && interleaving->Previous)
        exchange.sent.Receive = interleaving->Previous->Arrival;
    exchange.departure = exchange.sent.Transmit;
    const std::vector<std::uint8_t> request = BuildRequest(exchange);
    if (request.empty())
        return NumberedFailure(ErrorCode::KeyExchangeFailed);
    if (!socket.Send(request.data(), request.size())) {
        Trace("Failed in call to send NTP request to the SNTP server, GetLastError returns %d\n",
              static_cast<int>(GetLastError()));
        return SocketFailure();
    }
    exchange.buffer.resize(exchange.LongestReply());
    // The kernel's departure stamp is usually there at once; else it comes with the wait.
    exchange.departureFromKernel = socket.TakeTransmitStamp(exchange.departure);

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    std::optional<Failure> verdict = AwaitReply(exchange, deadline, result);
    LastFailureUnproven = verdict && exchange.failureUnproven;
    return verdict;
}

} // namespace brisvander
