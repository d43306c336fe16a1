// Feeds arbitrary datagrams through the reply checks, the arithmetic and the
// report. Input: one flag byte, 8 bytes of arrival time, then the datagram.
// With the flag's low bit set the datagram's own originate field is taken as
// our transmit timestamp, so the fuzzer reaches the paths after that check;
// with bit 1 set the departure (the kernel's send stamp) is taken from the
// datagram's reference field instead of being our transmit timestamp.
#include "ErrorCodes.h"
#include "NtpPacket.h"
#include "ReportText.h"
#include "SntpResult.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace brisvander;

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckCalendar(const NtpTimestamp& t)
{
    const std::int64_t pivot = NtpTimestamp::LocalClockSecondsSince1900();
    const SYSTEMTIME st = t.ToSystemTime(pivot);
    Require(st.wMilliseconds < 1000 && st.wSecond < 60 && st.wMinute < 60 && st.wHour < 24);
    Require(st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 && st.wDay <= 31 && st.wDayOfWeek < 7);
    // Placed within 68 years of the local clock, so the date agrees with the figures.
    const std::int64_t placed = t.SecondsSince1900Near(pivot);
    Require(placed >= 0 && placed - pivot >= -(std::int64_t{1} << 31) && placed - pivot < (std::int64_t{1} << 31));
}

// a - b in seconds, worked out in exact integers as modular arithmetic
// defines it: the 64-bit difference read as a signed number.
long double ExactDifference(const NtpTimestamp& a, const NtpTimestamp& b)
{
    const auto d = static_cast<std::int64_t>(a.Value() - b.Value());
    return static_cast<long double>(d) / 4294967296.0L;
}

// How far a reply's figures lie inside (positive) or outside (negative) what
// a true exchange allows, judged exactly: the server's holding time, and the
// round-trip delay beyond its rounding allowance; and the margin within
// which the code's doubles (and its 2^32 - 1 fraction scale) may judge a
// borderline reply either way.
struct Consistency {
    long double held = 0;
    long double delayBeyondAllowance = 0;
    long double margin = 0;
};

Consistency JudgeExactly(const NtpReply& reply, const NtpTimestamp& departure, const NtpTimestamp& arrival)
{
    Consistency c;
    c.held = ExactDifference(reply.TransmitTimestamp, reply.ReceiveTimestamp);
    const long double elapsed = ExactDifference(arrival, departure);
    const long double allowance =
        std::ldexp(1.0L, std::min(reply.Precision, NtpCoarsestPrecision)) + DefaultLocalResolutionSeconds;
    c.delayBeyondAllowance = elapsed - c.held + allowance;
    c.margin = 1e-9L + 1e-15L * (std::fabs(c.held) + std::fabs(elapsed));
    return c;
}

// Delay and offset from the four stamps, independently of the code under test.
void CheckFigures(const SntpResult& r, const NtpTimestamp& departure)
{
    const long double delay = ExactDifference(r.DestinationTimestamp, departure) -
                              ExactDifference(r.TransmitTimestamp, r.ReceiveTimestamp);
    const long double offset = (ExactDifference(r.ReceiveTimestamp, departure) +
                                ExactDifference(r.TransmitTimestamp, r.DestinationTimestamp)) / 2.0L;
    // The fraction scale of 2^32 - 1 and double rounding stay far inside this.
    const auto near = [](double got, long double want) {
        return std::fabs(static_cast<long double>(got) - want) <= 1e-5L + std::fabs(want) * 1e-12L;
    };
    Require(near(r.RoundtripDelay, delay));
    Require(near(r.ClockOffset, offset));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9)
        return 0;
    const bool echo = (data[0] & 1) != 0;
    const bool stampedDeparture = (data[0] & 2) != 0;
    const NtpTimestamp arrival = NtpTimestamp::FromNetworkOrder(data + 1);
    const std::uint8_t* datagram = data + 9;
    const std::size_t length = size - 9;

    // As the socket would: at most the reply buffer is stored, the true length is known.
    std::uint8_t buffer[NtpReplyBufferSize] = {};
    std::memcpy(buffer, datagram, length < sizeof buffer ? length : sizeof buffer);
    const NtpTimestamp sent = echo && length >= 32 ? NtpTimestamp::FromNetworkOrder(datagram + 24)
                                                   : NtpTimestamp(0xEC5A1234u, 0x9ABCDEF0u);
    const NtpTimestamp departure =
        stampedDeparture && length >= 24 ? NtpTimestamp::FromNetworkOrder(datagram + 16) : sent;

    // Taking apart never reads past what arrived, whatever its length.
    const NtpReply parsed = ParseNtpReply(datagram, length);
    Require(parsed.LeapIndicator >= 0 && parsed.LeapIndicator <= 3 && parsed.Mode >= 0 && parsed.Mode <= 7);

    SntpResult result;
    const std::uint32_t verdict = NumberOf(EvaluateNtpReply(buffer, length, sent, departure, arrival, result));
    const std::uint32_t checked = NumberOf(CheckNtpReply(buffer, length, sent));
    Require(checked == ErrorCode::Success || checked == ErrorCode::MalformedReply ||
            checked == ErrorCode::ForeignReply || checked == ErrorCode::ServerUnsynchronised);
    if (checked != ErrorCode::Success) {
        Require(verdict == checked);
        return 0;
    }
    // A reply that passes the checks is still refused when it contradicts
    // itself, and only then (a borderline one may go either way).
    const Consistency c = JudgeExactly(parsed, departure, arrival);
    Require(verdict == ErrorCode::Success || verdict == ErrorCode::MalformedReply);
    if (verdict == ErrorCode::MalformedReply) {
        Require(c.held < c.margin || c.delayBeyondAllowance < c.margin);
        return 0;
    }
    Require(c.held > -c.margin && c.delayBeyondAllowance > -c.margin);

    Require(length >= NtpPacketSize && length <= NtpReplyBufferSize);
    Require(parsed.Mode == NtpModeServer);
    Require(result.OriginateTimestamp == sent);
    Require(result.LeapIndicator != 3 && result.Stratum >= 1 && result.Stratum <= 15);
    Require(result.TransmitTimestamp.Value() != 0);
    Require(result.DestinationTimestamp == arrival);
    Require(std::isfinite(result.RoundtripDelay) && std::isfinite(result.ClockOffset));
    CheckFigures(result, departure);
    for (const NtpTimestamp& t : {result.OriginateTimestamp, result.ReceiveTimestamp, result.TransmitTimestamp,
                                  result.DestinationTimestamp})
        CheckCalendar(t);
    const std::string body = ReportSuccessBody(result);
    Require(body.find(".1000\n") == std::string::npos);
    return 0;
}
