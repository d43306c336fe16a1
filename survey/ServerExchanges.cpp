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

double ShortFormatSeconds(std::uint32_t value) { return value / 65536.0; }
} // namespace

ServerExchanges::ServerExchanges(const SurveyPace& pace, SteadyTime firstRequest)
    : m_pace(pace), m_next(firstRequest)
{
    m_pace.Samples = std::max(m_pace.Samples, 1);
}

void ServerExchanges::RequestSent(const NtpTimestamp& transmit, SteadyTime now)
{
    ++m_sent;
    m_awaiting = true;
    m_transmit = transmit;
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
    if (!m_awaiting)
        return Taken::Discarded;
    SntpResult result;
    const std::uint32_t verdict = NumberOf(EvaluateNtpReply(data, length, m_transmit, arrival, result));
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
    if (!m_answered || result.RoundtripDelay < m_best.Delay) {
        m_answered = true;
        m_best.Offset = result.ClockOffset;
        m_best.Delay = result.RoundtripDelay;
        m_best.RootDelay = ShortFormatSeconds(reply.RootDelay);
        m_best.RootDispersion = ShortFormatSeconds(reply.RootDispersion);
        m_best.Stratum = reply.Stratum;
        m_best.ReferenceId = reply.ReferenceId;
    }
    EndExchange(now);
    return Taken::Answered;
}

void ServerExchanges::TakeNetworkError(std::uint32_t error, SteadyTime now)
{
    if (m_awaiting)
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
        return;
    }
    host.Failure = m_kiss != SurveyFailure::None ? m_kiss : SurveyFailure::NoAnswer;
    host.Error = m_lastError != 0 ? m_lastError : ErrorCode::TimedOut;
    host.Stratum = 0;
    host.ReferenceId = m_kissCode;
}

} // namespace brisvander
