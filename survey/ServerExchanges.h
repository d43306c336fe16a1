#pragma once
// The requests to one server address in a survey, polite by construction: at
// most `Samples` of them, one at a time, each awaited until its time-out, the
// next not before `Interval` after the previous exchange ended; a server that
// is not synchronised or sends a Kiss-o'-Death is not asked again. No I/O:
// the survey's loop sends, reads and keeps the time, and tells this what
// happened. With three samples or more the requests ask for interleaved
// answers; with an NTS session they are sealed and only authenticated
// replies count.
#include "Deadline.h"
#include "InterleavedMode.h"
#include "NtpTimestamp.h"
#include "NtsPacket.h"
#include "NtsSession.h"
#include "SurveyOutcome.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brisvander {

struct SntpResult;

struct SurveyPace {
    int Samples = 1;                                  // requests at most, 1 to MaxSurveySamples
    std::chrono::milliseconds Interval{2000};         // from the end of one exchange to the next request
    std::chrono::milliseconds ExchangeTimeout{5000};  // how long one request is awaited
};

// Why the kernel refused a request for now (a full send buffer): the request
// is made again this much later and does not count.
inline constexpr std::chrono::milliseconds SendBackoff{5};

// From this many samples on the requests ask for interleaved answers; fewer
// stay the plain version-3 requests they always were.
inline constexpr int InterleavedFromSamples = 3;

class ServerExchanges {
public:
    // With `nts` every request is sealed with it and only authenticated replies count.
    ServerExchanges(const SurveyPace& pace, SteadyTime firstRequest, std::optional<NtsSession> nts = std::nullopt);

    bool Finished() const { return m_finished; }        // no further request will go
    bool AwaitingReply() const { return m_awaiting; }   // a request is out and not yet answered
    // When the next request is due, or the awaited one times out.
    SteadyTime NextTime() const { return m_next; }
    // The transmit timestamp of the request awaited (its replies echo it).
    const NtpTimestamp& AwaitedTransmit() const { return m_stamps.Transmit; }

    // The datagram to send next, stamped `transmit` (unique in the survey):
    // version 3 for one or two samples; else version 4, from the second
    // request on naming the last exchange answered so that the server may
    // answer interleaved. Empty when an NTS request cannot be sealed (no
    // cookie left): then call RequestFailed(KeyExchangeFailed).
    std::vector<std::uint8_t> BuildRequest(const NtpTimestamp& transmit);
    // The request stamped `transmit` left at `now`.
    void RequestSent(const NtpTimestamp& transmit, SteadyTime now);
    // It could not be sent: ErrorCodes.h number. WouldBlock and NoBufferSpace
    // put it off by SendBackoff; anything else ends that exchange.
    void RequestFailed(std::uint32_t error, SteadyTime now);

    enum class Taken { Discarded, Answered, Failed };
    // A datagram from the server's address, `length` its true length (the
    // buffer holds at least min(length, ReplyCapacity()) bytes), `arrival`
    // when it came. One that cannot prove it answers the request awaited
    // (by its origin, and for NTS by its authenticator) is discarded and the
    // wait goes on; the server's own answer ends the exchange. An
    // interleaved answer completes the previous exchange with the server's
    // precise transmit stamp; an NTS NAK is discarded but names the failure
    // should no answer come.
    Taken TakeDatagram(const std::uint8_t* data, std::size_t length, const NtpTimestamp& arrival, SteadyTime now);
    // An ICMP error for the address (ConnectionReset for a closed port): ends
    // the exchange; with NTS it only names the failure should no answer come.
    void TakeNetworkError(std::uint32_t error, SteadyTime now);
    // NextTime has come while awaiting: the exchange fails with the number of
    // the last datagram discarded, or TimedOut.
    void TimeOut(SteadyTime now);
    // The survey ends early: no request goes any more, and an exchange still
    // awaited, or none made yet, fails with Interrupted.
    void Cancel();

    // The best answer (the smallest delay) or why there is none; Host,
    // Address and Port are left as they are. Nts says whether the requests
    // were authenticated.
    void Report(HostSurvey& host) const;

    // The most bytes of a reply worth reading: more is malformed.
    std::size_t ReplyCapacity() const;

private:
    bool Interleaving() const { return m_pace.Samples >= InterleavedFromSamples; }
    bool Authenticated(const std::uint8_t* data, std::size_t length);
    void Keep(const SntpResult& result, int stratum, std::uint32_t referenceId);
    void EndExchange(SteadyTime now);
    void Fail(std::uint32_t error, SteadyTime now);
    void TakeKiss(std::uint32_t kissCode);

    SurveyPace m_pace;
    SteadyTime m_next;
    int m_sent = 0;
    bool m_awaiting = false;
    bool m_finished = false;
    SentStamps m_stamps;            // what the request awaited carried
    NtpTimestamp m_builtReceive;    // the receive field of the request built last
    InterleavedState m_interleaved; // the last exchange answered, for the next request
    std::optional<NtsSession> m_nts;
    NtsPendingRequest m_pending;    // the NTS request sealed last
    std::uint32_t m_lastDiscarded = 0;
    std::uint32_t m_lastError = 0;
    SurveyFailure m_kiss = SurveyFailure::None; // set when a kiss code ended the requests
    std::uint32_t m_kissCode = 0;
    bool m_answered = false;
    HostSurvey m_best;
};

} // namespace brisvander
