// Feeds arbitrary datagrams through the reply checks, the arithmetic and the
// report. Input: one flag byte, 8 bytes of arrival time, then the datagram.
// With the flag's low bit set the datagram's own originate field is taken as
// our transmit timestamp, so the fuzzer reaches the paths after that check.
#include "ErrorCodes.h"
#include "NtpPacket.h"
#include "ReportText.h"
#include "SntpResult.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckCalendar(const NtpTimestamp& t)
{
    const SYSTEMTIME st = t.ToSystemTime();
    Require(st.wMilliseconds < 1000 && st.wSecond < 60 && st.wMinute < 60 && st.wHour < 24);
    Require(st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 && st.wDay <= 31 && st.wDayOfWeek < 7);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9)
        return 0;
    const bool echo = (data[0] & 1) != 0;
    const NtpTimestamp arrival = NtpTimestamp::FromNetworkOrder(data + 1);
    const std::uint8_t* datagram = data + 9;
    const std::size_t length = size - 9;

    // As the socket would: at most the reply buffer is stored, the true length is known.
    std::uint8_t buffer[NtpReplyBufferSize] = {};
    std::memcpy(buffer, datagram, length < sizeof buffer ? length : sizeof buffer);
    const NtpTimestamp sent = echo && length >= 32 ? NtpTimestamp::FromNetworkOrder(datagram + 24)
                                                   : NtpTimestamp(0xEC5A1234u, 0x9ABCDEF0u);

    SntpResult result;
    const std::uint32_t verdict = EvaluateNtpReply(buffer, length, sent, arrival, result);
    Require(verdict == ErrorCode::Success || verdict == ErrorCode::MalformedReply ||
            verdict == ErrorCode::ForeignReply || verdict == ErrorCode::ServerUnsynchronised);
    if (verdict != ErrorCode::Success)
        return 0;

    Require(length >= NtpPacketSize && length <= NtpReplyBufferSize);
    Require(result.OriginateTimestamp == sent);
    Require(result.LeapIndicator != 3 && result.Stratum >= 1 && result.Stratum <= 15);
    Require(result.TransmitTimestamp.Value() != 0);
    Require(std::isfinite(result.RoundtripDelay) && std::isfinite(result.ClockOffset));
    for (const NtpTimestamp& t : {result.OriginateTimestamp, result.ReceiveTimestamp, result.TransmitTimestamp,
                                  result.DestinationTimestamp})
        CheckCalendar(t);
    const std::string body = ReportSuccessBody(result);
    Require(body.find(".1000\n") == std::string::npos);
    return 0;
}
