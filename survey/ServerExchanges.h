#pragma once
// The requests to one server address in a survey, polite by construction: at
// most `Samples` of them, one at a time, each awaited until its time-out, the
// next not before `Interval` after the previous exchange ended; a server that
// is not synchronised or sends a Kiss-o'-Death is not asked again. No I/O:
// the survey's loop sends, reads and keeps the time, and tells this what
// happened.
#include "Deadline.h"
#include "NtpTimestamp.h"
#include "SurveyOutcome.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace brisvander {

struct SurveyPace {
    int Samples = 1;                                  // requests at most, 1 to MaxSurveySamples
    std::chrono::milliseconds Interval{2000};         // from the end of one exchange to the next request
    std::chrono::milliseconds ExchangeTimeout{5000};  // how long one request is awaited
};

// Why the kernel refused a request for now (a full send buffer): the request
// is made again this much later and does not count.
inline constexpr std::chrono::milliseconds SendBackoff{5};

class ServerExchanges {
public:
    ServerExchanges(const SurveyPace& pace, SteadyTime firstRequest);

    bool Finished() const { return m_finished; }        // no further request will go
    bool AwaitingReply() const { return m_awaiting; }   // a request is out and not yet answered
    // When the next request is due, or the awaited one times out.
    SteadyTime NextTime() const { return m_next; }
    // The transmit timestamp of the request awaited (its replies echo it).
    const NtpTimestamp& AwaitedTransmit() const { return m_transmit; }

    // The request stamped `transmit` left at `now`.
    void RequestSent(const NtpTimestamp& transmit, SteadyTime now);
    // It could not be sent: ErrorCodes.h number. WouldBlock and NoBufferSpace
    // put it off by SendBackoff; anything else ends that exchange.
    void RequestFailed(std::uint32_t error, SteadyTime now);

    enum class Taken { Discarded, Answered, Failed };
    // A datagram from the server's address, `length` its true length (the
    // buffer holds at least min(length, 68) bytes), `arrival` when it came.
    // One that cannot prove it answers the request awaited is discarded and
    // the wait goes on; the server's own answer ends the exchange.
    Taken TakeDatagram(const std::uint8_t* data, std::size_t length, const NtpTimestamp& arrival, SteadyTime now);
    // An ICMP error for the address (ConnectionReset for a closed port): ends the exchange.
    void TakeNetworkError(std::uint32_t error, SteadyTime now);
    // NextTime has come while awaiting: the exchange fails with the number of
    // the last datagram discarded, or TimedOut.
    void TimeOut(SteadyTime now);
    // The survey ends early: no request goes any more, and an exchange still
    // awaited, or none made yet, fails with Interrupted.
    void Cancel();

    // The best answer (the smallest delay) or why there is none; Host,
    // Address and Port are left as they are.
    void Report(HostSurvey& host) const;

private:
    void EndExchange(SteadyTime now);
    void Fail(std::uint32_t error, SteadyTime now);
    void TakeKiss(std::uint32_t kissCode);

    SurveyPace m_pace;
    SteadyTime m_next;
    int m_sent = 0;
    bool m_awaiting = false;
    bool m_finished = false;
    NtpTimestamp m_transmit;
    std::uint32_t m_lastDiscarded = 0;
    std::uint32_t m_lastError = 0;
    SurveyFailure m_kiss = SurveyFailure::None; // set when a kiss code ended the requests
    std::uint32_t m_kissCode = 0;
    bool m_answered = false;
    HostSurvey m_best;
};

} // namespace brisvander
