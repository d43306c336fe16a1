#include "NtpPacket.h"

#include "ByteOrder.h"
#include "ErrorCodes.h"
#include "ExchangeResult.h"
#include "SntpResult.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brisvander {

namespace {
double ShortFormatSeconds(std::uint32_t value) { return value / 65536.0; }
} // namespace

NtpRequest BuildNtpRequest(const NtpTimestamp& transmit, std::uint8_t firstByte)
{
    NtpRequest request{};
    request[0] = firstByte;
    transmit.ToNetworkOrder(request.data() + 40);
    return request;
}

NtpReply ParseNtpReply(const std::uint8_t* data, std::size_t length)
{
    std::uint8_t bytes[NtpPacketSize] = {};
    if (data != nullptr)
        std::memcpy(bytes, data, std::min(length, NtpPacketSize));

    NtpReply reply;
    reply.LeapIndicator = (bytes[0] & 0xC0) >> 6;
    reply.Version = (bytes[0] >> 3) & 0x07;
    reply.Mode = bytes[0] & 0x07;
    reply.Stratum = bytes[1];
    reply.Precision = static_cast<std::int8_t>(bytes[3]);
    reply.RootDelay = GetBigEndian32(bytes + 4);
    reply.RootDispersion = GetBigEndian32(bytes + 8);
    reply.ReferenceId = GetBigEndian32(bytes + 12);
    reply.OriginateTimestamp = NtpTimestamp::FromNetworkOrder(bytes + 24);
    reply.ReceiveTimestamp = NtpTimestamp::FromNetworkOrder(bytes + 32);
    reply.TransmitTimestamp = NtpTimestamp::FromNetworkOrder(bytes + 40);
    return reply;
}

std::optional<Failure> CheckNtpReply(const std::uint8_t* data, std::size_t length, const NtpTimestamp& sentTransmit,
                                     std::size_t longest)
{
    if (data == nullptr || length < NtpPacketSize || length > longest)
        return NumberedFailure(ErrorCode::MalformedReply);
    const NtpReply reply = ParseNtpReply(data, length);
    if (reply.Mode != NtpModeServer)
        return NumberedFailure(ErrorCode::MalformedReply);
    if (reply.OriginateTimestamp != sentTransmit)
        return NumberedFailure(ErrorCode::ForeignReply);

    const double rootDistance = ShortFormatSeconds(reply.RootDelay) / 2.0 + ShortFormatSeconds(reply.RootDispersion);
    if (reply.LeapIndicator == 3 || reply.Stratum == 0 || reply.Stratum > NtpMaxStratum ||
        reply.TransmitTimestamp.Value() == 0 || rootDistance >= NtpMaxRootDistanceSeconds)
        return NumberedFailure(ErrorCode::ServerUnsynchronised);
    return std::nullopt;
}

DelayAndOffset ComputeDelayAndOffset(const NtpTimestamp& t1, const NtpTimestamp& t2, const NtpTimestamp& t3,
                                     const NtpTimestamp& t4)
{
    DelayAndOffset result;
    result.RoundtripDelay = t4.Difference(t1) - t3.Difference(t2);
    result.ClockOffset = (t2.Difference(t1) + t3.Difference(t4)) / 2.0;
    return result;
}

double PrecisionSeconds(int precision)
{
    // A claim of a clock coarser than a mains-frequency tick (2^-6 s) would
    // excuse a server holding a request for much longer than the round trip.
    return std::ldexp(1.0, std::min(precision, NtpCoarsestPrecision));
}

bool IsConsistentExchange(const NtpTimestamp& t2, const NtpTimestamp& t3, double roundtripDelay, double allowance)
{
    return t3.Difference(t2) >= 0.0 && roundtripDelay >= -allowance;
}

std::optional<Failure> EvaluateNtpReply(const std::uint8_t* data, std::size_t length,
                                        const NtpTimestamp& sentTransmit, const NtpTimestamp& arrival,
                                        SntpResult& result)
{
    return EvaluateNtpReply(data, length, sentTransmit, sentTransmit, arrival, result);
}

std::optional<Failure> EvaluateNtpReply(const std::uint8_t* data, std::size_t length,
                                        const NtpTimestamp& sentTransmit, const NtpTimestamp& departure,
                                        const NtpTimestamp& arrival, SntpResult& result,
                                        double localResolutionSeconds, std::size_t longest)
{
    if (std::optional<Failure> failure = CheckNtpReply(data, length, sentTransmit, longest))
        return failure;
    const NtpReply reply = ParseNtpReply(data, length);
    const FourStamps stamps{reply.OriginateTimestamp, departure, reply.ReceiveTimestamp, reply.TransmitTimestamp,
                            arrival};
    return ResultFromStamps(reply, stamps, localResolutionSeconds, false, result);
}

std::optional<Failure> ResultFromStamps(const NtpReply& reply, const FourStamps& stamps,
                                        double localResolutionSeconds, bool interleaved, SntpResult& result)
{
    const DelayAndOffset figures =
        ComputeDelayAndOffset(stamps.Departure, stamps.ServerReceive, stamps.ServerTransmit, stamps.Arrival);
    // Rounding of either clock can make a short delay come out slightly
    // negative; anything beyond that cannot be a true answer.
    if (!IsConsistentExchange(stamps.ServerReceive, stamps.ServerTransmit, figures.RoundtripDelay,
                              PrecisionSeconds(reply.Precision) + localResolutionSeconds))
        return NumberedFailure(ErrorCode::MalformedReply);
    result.LeapIndicator = reply.LeapIndicator;
    result.Stratum = reply.Stratum;
    result.OriginateTimestamp = stamps.ShownOrigin;
    result.ReceiveTimestamp = stamps.ServerReceive;
    result.TransmitTimestamp = stamps.ServerTransmit;
    result.DestinationTimestamp = stamps.Arrival;
    result.RoundtripDelay = figures.RoundtripDelay;
    result.ClockOffset = figures.ClockOffset;
    result.RootDelaySeconds = ShortFormatSeconds(reply.RootDelay);
    result.RootDispersionSeconds = ShortFormatSeconds(reply.RootDispersion);
    result.Interleaved = interleaved;
    return std::nullopt;
}

} // namespace brisvander
