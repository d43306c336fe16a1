#include "InterleavedMode.h"

#include "ErrorCodes.h"
#include "SntpResult.h"

namespace brisvander {

NtpRequest BuildInterleavedRequest(const NtpTimestamp& transmit, const std::optional<ExchangeStamps>& previous)
{
    NtpRequest request = BuildNtpRequest(transmit, NtpV4RequestFirstByte);
    if (previous) {
        previous->ServerReceive.ToNetworkOrder(request.data() + 24);
        previous->Arrival.ToNetworkOrder(request.data() + 32);
    }
    return request;
}

AnswerKind ClassifyAnswer(const NtpTimestamp& origin, const SentStamps& sent)
{
    if (origin == sent.Transmit)
        return AnswerKind::Basic;
    if (sent.Receive.Value() != 0 && origin == sent.Receive)
        return AnswerKind::Interleaved;
    return AnswerKind::Foreign;
}

namespace {
std::optional<Failure> CompletePrevious(const std::uint8_t* data, std::size_t length, const SentStamps& sent,
                                        const ExchangeStamps& previous, SntpResult& result,
                                        double localResolutionSeconds, std::size_t longest)
{
    if (std::optional<Failure> failure = CheckNtpReply(data, length, sent.Receive, longest))
        return failure;
    const NtpReply reply = ParseNtpReply(data, length);
    const DelayAndOffset figures = ComputeDelayAndOffset(previous.Departure, previous.ServerReceive,
                                                         reply.TransmitTimestamp, previous.Arrival);
    if (!IsConsistentExchange(previous.ServerReceive, reply.TransmitTimestamp, figures.RoundtripDelay,
                              PrecisionSeconds(reply.Precision) + localResolutionSeconds))
        return NumberedFailure(ErrorCode::MalformedReply);
    result.LeapIndicator = reply.LeapIndicator;
    result.Stratum = reply.Stratum;
    result.OriginateTimestamp = previous.Departure;
    result.ReceiveTimestamp = previous.ServerReceive;
    result.TransmitTimestamp = reply.TransmitTimestamp;
    result.DestinationTimestamp = previous.Arrival;
    result.RoundtripDelay = figures.RoundtripDelay;
    result.ClockOffset = figures.ClockOffset;
    result.RootDelaySeconds = reply.RootDelay / 65536.0;
    result.RootDispersionSeconds = reply.RootDispersion / 65536.0;
    result.Interleaved = true;
    return std::nullopt;
}
} // namespace

std::optional<Failure> EvaluateInterleavedReply(const std::uint8_t* data, std::size_t length, const SentStamps& sent,
                                                const NtpTimestamp& departure, const NtpTimestamp& arrival,
                                                const std::optional<ExchangeStamps>& previous, SntpResult& result,
                                                ExchangeStamps& latest, double localResolutionSeconds,
                                                std::size_t longest)
{
    const NtpReply reply = ParseNtpReply(data, length);
    std::optional<Failure> verdict;
    if (ClassifyAnswer(reply.OriginateTimestamp, sent) == AnswerKind::Interleaved && previous) {
        verdict = CompletePrevious(data, length, sent, *previous, result, localResolutionSeconds, longest);
    } else {
        verdict = EvaluateNtpReply(data, length, sent.Transmit, departure, arrival, result, localResolutionSeconds,
                                   longest);
    }
    if (!verdict)
        latest = ExchangeStamps{departure, reply.ReceiveTimestamp, arrival};
    return verdict;
}

} // namespace brisvander
