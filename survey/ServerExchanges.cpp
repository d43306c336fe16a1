#include "ServerExchanges.h"

#include "ErrorCodes.h"
#include "NtpPacket.h"
#include "SntpResult.h"

#include <algorithm>

namespace brisvander {

namespace {
constexpr std::uint32_t KissCode(const char (&code)[5])
{
    return (std::uint32_t{static_cast<unsigned char>(code[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(code[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(code[2])} << 8) | static_cast<unsigned char>(code[3]);
}

} // namespace

ServerExchanges::ServerExchanges(const SurveyPace& pace, SteadyTime firstRequest, std::optional<NtsSession> nts)
    : m_pace(pace), m_next(firstRequest), m_nts(std::move(nts))
{
    m_pace.Samples = std::max(m_pace.Samples, 1);
}

std::vector<std::uint8_t> ServerExchanges::BuildRequest(const NtpTimestamp& transmit)
{
    m_builtReceive = NtpTimestamp();
    NtpRequest header;
    if (Interleaving()) {
        header = BuildInterleavedRequest(transmit, m_interleaved.Previous);
        if (m_interleaved.Previous)
            m_builtReceive = m_interleaved.Previous->Arrival;
    } else {
        header = BuildNtpRequest(transmit, m_nts ? NtpV4RequestFirstByte : NtpRequestFirstByte);
    }
    if (!m_nts)
        return {header.begin(), header.end()};
    NtsSealedRequest sealed = SealRequest(header, *m_nts);
    if (sealed.Problem)
        return {};
    m_pending = sealed.Pending;
    return std::move(sealed.Packet);
}

std::size_t ServerExchanges::ReplyCapacity() const { return m_nts ? NtsReplyBufferSize : NtpReplyBufferSize; }

void ServerExchanges::RequestSent(const NtpTimestamp& transmit, SteadyTime now)
{
    ++m_sent;
    m_awaiting = true;
    m_stamps = {transmit, m_builtReceive};
    m_lastDiscarded = ErrorCode::TimedOut;
    m_next = now + m_pace.ExchangeTimeout;
}

void ServerExchanges::RequestFailed(std::uint32_t error, SteadyTime now)
{
    if (error == ErrorCode::WouldBlock || error == ErrorCode::NoBufferSpace) {
        m_next = now + SendBackoff;
        return;
    }
    ++m_sent;
    Fail(error, now);
}

ServerExchanges::Taken ServerExchanges::TakeDatagram(const std::uint8_t* data, std::size_t length,
                                                     const NtpTimestamp& arrival, SteadyTime now)
{
    if (!m_awaiting || !Authenticated(data, length))
        return Taken::Discarded;
    SntpResult result;
    ExchangeStamps latest;
    const std::uint32_t verdict = NumberOf(
        Interleaving() ? EvaluateInterleavedReply(data, length, m_stamps, m_stamps.Transmit, arrival,
                                                  m_interleaved.Previous, result, latest,
                                                  DefaultLocalResolutionSeconds, ReplyCapacity())
                       : EvaluateNtpReply(data, length, m_stamps.Transmit, m_stamps.Transmit, arrival, result,
                                          DefaultLocalResolutionSeconds, ReplyCapacity()));
    if (verdict == ErrorCode::MalformedReply || verdict == ErrorCode::ForeignReply) {
        m_lastDiscarded = verdict;
        return Taken::Discarded;
    }
    const NtpReply reply = ParseNtpReply(data, length);
    if (verdict != ErrorCode::Success) {
        if (reply.Stratum == 0)
            TakeKiss(reply.ReferenceId);
        Fail(verdict, now);
        return Taken::Failed;
    }
    m_interleaved = {latest, result.Interleaved};
    Keep(result, reply.Stratum, reply.ReferenceId);
    EndExchange(now);
    return Taken::Answered;
}

// Without NTS every datagram goes on to the usual checks. With it only an
// authenticated one does; a NAK is unauthenticated, so it is only noted.
bool ServerExchanges::Authenticated(const std::uint8_t* data, std::size_t length)
{
    if (!m_nts)
        return true;
    const ByteView datagram(data, std::min(length, NtsReplyBufferSize));
    switch (CheckReply(datagram, m_pending, *m_nts).Verdict) {
    case NtsReplyVerdict::Authentic: return true;
    case NtsReplyVerdict::Nak: m_lastDiscarded = ErrorCode::ServerUnsynchronised; break;
    case NtsReplyVerdict::NotOurs: m_lastDiscarded = ErrorCode::NoAuthenticReply; break;
    }
    return false;
}

void ServerExchanges::Keep(const SntpResult& result, int stratum, std::uint32_t referenceId)
{
    if (m_answered && result.RoundtripDelay >= m_best.Delay)
        return;
    m_answered = true;
    m_best.Offset = result.ClockOffset;
    m_best.Delay = result.RoundtripDelay;
    m_best.RootDelay = result.RootDelaySeconds;
    m_best.RootDispersion = result.RootDispersionSeconds;
    m_best.Stratum = stratum;
    m_best.ReferenceId = referenceId;
}

void ServerExchanges::TakeNetworkError(std::uint32_t error, SteadyTime now)
{
    if (!m_awaiting)
        return;
    // Anyone who saw an NTS request can forge an ICMP error: noted, not obeyed.
    if (m_nts) {
        m_lastDiscarded = error;
        return;
    }
    Fail(error, now);
}

void ServerExchanges::TimeOut(SteadyTime now)
{
    if (m_awaiting)
        Fail(m_lastDiscarded, now);
}

void ServerExchanges::Cancel()
{
    if (m_finished)
        return;
    if (m_awaiting || m_sent == 0)
        m_lastError = ErrorCode::Interrupted;
    m_awaiting = false;
    m_finished = true;
}

void ServerExchanges::TakeKiss(std::uint32_t kissCode)
{
    if (kissCode == KissCode("RATE"))
        m_kiss = SurveyFailure::RateLimited;
    else if (kissCode == KissCode("DENY") || kissCode == KissCode("RSTR"))
        m_kiss = SurveyFailure::Refused;
    if (m_kiss != SurveyFailure::None)
        m_kissCode = kissCode;
}

void ServerExchanges::Fail(std::uint32_t error, SteadyTime now)
{
    m_lastError = error;
    // Asking again would not help a server that is not synchronised, and
    // would be impolite to one that sent a kiss.
    if (error == ErrorCode::ServerUnsynchronised)
        m_finished = true;
    EndExchange(now);
}

void ServerExchanges::EndExchange(SteadyTime now)
{
    m_awaiting = false;
    if (m_sent >= m_pace.Samples)
        m_finished = true;
    m_next = now + m_pace.Interval;
}

void ServerExchanges::Report(HostSurvey& host) const
{
    if (m_answered) {
        host.Failure = SurveyFailure::None;
        host.Error = ErrorCode::Success;
        host.Offset = m_best.Offset;
        host.Delay = m_best.Delay;
        host.RootDelay = m_best.RootDelay;
        host.RootDispersion = m_best.RootDispersion;
        host.Stratum = m_best.Stratum;
        host.ReferenceId = m_best.ReferenceId;
        host.Nts = m_nts.has_value();
        return;
    }
    host.Failure = m_kiss != SurveyFailure::None ? m_kiss : SurveyFailure::NoAnswer;
    host.Error = m_lastError != 0 ? m_lastError : ErrorCode::TimedOut;
    host.Stratum = 0;
    host.ReferenceId = m_kissCode;
}

} // namespace brisvander
