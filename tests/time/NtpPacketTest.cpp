// The request on the wire, taking replies apart, and the delay and offset
// computed from the four timestamps.
#include "NtpPacket.h"
#include "SntpResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace brisvander;

namespace {

NtpTimestamp Whole(std::uint32_t seconds) { return {seconds, 0}; }

TEST(NtpRequest, IsFortyEightBytesWithTheClientHeaderAndOnlyTheTransmitStamp)
{
    const NtpRequest request = BuildNtpRequest(NtpTimestamp(0xC5714570C9FBE76Dull));
    ASSERT_EQ(request.size(), 48u);
    EXPECT_EQ(request[0], 0x1B); // LI 0, version 3, mode 3
    for (std::size_t i = 1; i < 40; ++i)
        EXPECT_EQ(request[i], 0) << "byte " << i;
    const std::uint8_t transmit[8] = {0xC5, 0x71, 0x45, 0x70, 0xC9, 0xFB, 0xE7, 0x6D};
    EXPECT_TRUE(std::equal(transmit, transmit + 8, request.begin() + 40));
}

std::vector<std::uint8_t> SampleReply()
{
    std::vector<std::uint8_t> bytes(48, 0);
    bytes[0] = 0xA4; // LI 2, version 4, mode 4
    bytes[1] = 7;
    bytes[2] = 10;
    bytes[3] = 0xE9;
    const std::uint8_t rest[] = {
        0x00, 0x01, 0x80, 0x00,                         // root delay 1.5 s
        0x00, 0x00, 0x40, 0x00,                         // root dispersion 0.25 s
        'P', 'T', 'B', 0,                               // reference id
        0xC5, 0x71, 0x45, 0x00, 0, 0, 0, 0,             // reference
        0xC5, 0x71, 0x45, 0x70, 0xC9, 0xFB, 0xE7, 0x6D, // originate
        0xC5, 0x71, 0x45, 0x71, 0x80, 0x00, 0x00, 0x00, // receive
        0xC5, 0x71, 0x45, 0x71, 0x80, 0x00, 0x10, 0x00, // transmit
    };
    std::copy(std::begin(rest), std::end(rest), bytes.begin() + 4);
    return bytes;
}

TEST(ParseNtpReply, TakesEachFieldFromItsOffset)
{
    const std::vector<std::uint8_t> bytes = SampleReply();
    const NtpReply reply = ParseNtpReply(bytes.data(), bytes.size());
    EXPECT_EQ(reply.LeapIndicator, 2);
    EXPECT_EQ(reply.Version, 4);
    EXPECT_EQ(reply.Mode, 4);
    EXPECT_EQ(reply.Stratum, 7);
    EXPECT_EQ(reply.RootDelay, 0x00018000u);
    EXPECT_EQ(reply.RootDispersion, 0x00004000u);
    EXPECT_EQ(reply.ReferenceId, 0x50544200u);
    EXPECT_EQ(reply.OriginateTimestamp.Value(), 0xC5714570C9FBE76Dull);
    EXPECT_EQ(reply.ReceiveTimestamp.Value(), 0xC571457180000000ull);
    EXPECT_EQ(reply.TransmitTimestamp.Value(), 0xC571457180001000ull);
}

TEST(ParseNtpReply, MissingBytesReadAsZero)
{
    std::vector<std::uint8_t> bytes = SampleReply();
    const NtpReply shortReply = ParseNtpReply(bytes.data(), 36); // ends inside the receive stamp
    EXPECT_EQ(shortReply.OriginateTimestamp.Value(), 0xC5714570C9FBE76Dull);
    EXPECT_EQ(shortReply.ReceiveTimestamp.Value(), 0xC571457100000000ull);
    EXPECT_EQ(shortReply.TransmitTimestamp.Value(), 0u);

    const NtpReply nothing = ParseNtpReply(nullptr, 48);
    EXPECT_EQ(nothing.Mode, 0);
    EXPECT_EQ(nothing.TransmitTimestamp.Value(), 0u);
    const NtpReply empty = ParseNtpReply(bytes.data(), 0);
    EXPECT_EQ(empty.Stratum, 0);
}

TEST(ComputeDelayAndOffset, SubtractsTheServerHoldingTime)
{
    const DelayAndOffset r = ComputeDelayAndOffset(Whole(0), Whole(10), Whole(11), Whole(2));
    EXPECT_DOUBLE_EQ(r.RoundtripDelay, 1.0); // (2 - 0) - (11 - 10)
    EXPECT_DOUBLE_EQ(r.ClockOffset, 9.5);    // ((10 - 0) + (11 - 2)) / 2
}

TEST(ComputeDelayAndOffset, EqualStampsGiveZero)
{
    const NtpTimestamp t(0xC5714570C9FBE76Dull);
    const DelayAndOffset r = ComputeDelayAndOffset(t, t, t, t);
    EXPECT_EQ(r.RoundtripDelay, 0.0);
    EXPECT_EQ(r.ClockOffset, 0.0);
}

TEST(ComputeDelayAndOffset, OffsetIsPositiveWhenTheServerIsAheadAndNegativeWhenBehind)
{
    const NtpTimestamp t1(0xC5714570C9FBE76Dull);
    // 0.1 s each way, 0.05 s in the server, server 2.5 s ahead.
    const NtpTimestamp t2 = t1.AddSeconds(0.1 + 2.5);
    const NtpTimestamp t3 = t2.AddSeconds(0.05);
    const NtpTimestamp t4 = t3.AddSeconds(0.1 - 2.5);
    const DelayAndOffset ahead = ComputeDelayAndOffset(t1, t2, t3, t4);
    EXPECT_NEAR(ahead.RoundtripDelay, 0.2, 1e-8);
    EXPECT_NEAR(ahead.ClockOffset, 2.5, 1e-8);

    const NtpTimestamp b2 = t1.AddSeconds(0.1 - 2.5);
    const NtpTimestamp b3 = b2.AddSeconds(0.05);
    const NtpTimestamp b4 = b3.AddSeconds(0.1 + 2.5);
    const DelayAndOffset behind = ComputeDelayAndOffset(t1, b2, b3, b4);
    EXPECT_NEAR(behind.RoundtripDelay, 0.2, 1e-8);
    EXPECT_NEAR(behind.ClockOffset, -2.5, 1e-8);
}

TEST(ComputeDelayAndOffset, KeepsSubMicrosecondResolution)
{
    const NtpTimestamp t1(0xC5714570C9FBE76Dull);
    const NtpTimestamp t2 = t1.AddSeconds(20e-6);
    const NtpTimestamp t3 = t2.AddSeconds(3e-6);
    const NtpTimestamp t4 = t3.AddSeconds(19e-6);
    const DelayAndOffset r = ComputeDelayAndOffset(t1, t2, t3, t4);
    EXPECT_NEAR(r.RoundtripDelay, 39e-6, 1e-9);
    EXPECT_NEAR(r.ClockOffset, 0.5e-6, 1e-9);
}

} // namespace

namespace {

std::vector<std::uint8_t> ReplyTo(const NtpTimestamp& t1, const NtpTimestamp& t2, const NtpTimestamp& t3)
{
    std::vector<std::uint8_t> bytes(48, 0);
    bytes[0] = 0x1C;
    bytes[1] = 4;
    t1.ToNetworkOrder(&bytes[24]);
    t2.ToNetworkOrder(&bytes[32]);
    t3.ToNetworkOrder(&bytes[40]);
    return bytes;
}

TEST(EvaluateNtpReply, FillsTheResultWithTheArrivalAsT4)
{
    const std::uint32_t base = 3313526400u;
    const std::vector<std::uint8_t> bytes = ReplyTo(Whole(base), Whole(base + 10), Whole(base + 11));
    SntpResult result;
    ASSERT_EQ(EvaluateNtpReply(bytes.data(), bytes.size(), Whole(base), Whole(base + 2), result), std::nullopt);
    EXPECT_EQ(result.Stratum, 4);
    EXPECT_EQ(result.OriginateTimestamp, Whole(base));
    EXPECT_EQ(result.ReceiveTimestamp, Whole(base + 10));
    EXPECT_EQ(result.TransmitTimestamp, Whole(base + 11));
    EXPECT_EQ(result.DestinationTimestamp, Whole(base + 2));
    EXPECT_DOUBLE_EQ(result.RoundtripDelay, 1.0);
    EXPECT_DOUBLE_EQ(result.ClockOffset, 9.5);
}

TEST(EvaluateNtpReply, FiguresComeFromTheTrueDepartureWhileT1StaysTheEcho)
{
    const std::uint32_t base = 3313526400u;
    const std::vector<std::uint8_t> bytes = ReplyTo(Whole(base), Whole(base + 10), Whole(base + 11));
    const NtpTimestamp departure(base, 0x80000000); // the request left half a second after it was stamped
    SntpResult result;
    ASSERT_EQ(EvaluateNtpReply(bytes.data(), bytes.size(), Whole(base), departure, Whole(base + 2), result),
              std::nullopt);
    EXPECT_EQ(result.OriginateTimestamp, Whole(base));
    EXPECT_NEAR(result.RoundtripDelay, 0.5, 1e-9); // (2 - 0.5) - (11 - 10)
    EXPECT_NEAR(result.ClockOffset, 9.25, 1e-9);   // ((10 - 0.5) + (11 - 2)) / 2
}

TEST(EvaluateNtpReply, ARejectedReplyLeavesTheResultAlone)
{
    const std::uint32_t base = 3313526400u;
    std::vector<std::uint8_t> unsynchronised = ReplyTo(Whole(base), Whole(base + 10), Whole(base + 11));
    unsynchronised[1] = 0;
    const std::vector<std::uint8_t> foreign = ReplyTo(Whole(base + 1), Whole(base + 10), Whole(base + 11));
    const std::vector<std::uint8_t> tooShort(47, 0x1C);
    struct Case {
        const std::vector<std::uint8_t>* bytes;
        std::uint32_t verdict;
    };
    for (const Case& c : {Case{&unsynchronised, 20003u}, Case{&foreign, 20002u}, Case{&tooShort, 20001u}}) {
        SntpResult result;
        result.Stratum = 77;
        result.ClockOffset = 123.0;
        result.DestinationTimestamp = Whole(42);
        EXPECT_EQ(NumberOf(EvaluateNtpReply(c.bytes->data(), c.bytes->size(), Whole(base), Whole(base + 2), result)),
                  c.verdict);
        EXPECT_EQ(result.Stratum, 77);
        EXPECT_EQ(result.ClockOffset, 123.0);
        EXPECT_EQ(result.DestinationTimestamp, Whole(42));
    }
}

} // namespace
