#include "InterleavedMode.h"

#include "ExchangeResult.h"
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
    // The previous exchange, completed by the server's precise transmit stamp.
    const FourStamps stamps{previous.Departure, previous.Departure, previous.ServerReceive, reply.TransmitTimestamp,
                            previous.Arrival};
    return ResultFromStamps(reply, stamps, localResolutionSeconds, true, result);
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
