// The figures of one exchange across the 2036 wrap, in every direction, and
// replies whose figures contradict themselves.
#include "ErrorCodes.h"
#include "NtpPacket.h"
#include "SntpResult.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brisvander;

namespace {

// A synchronised reply (stratum 4) with the given stamps and precision.
std::vector<std::uint8_t> ReplyTo(const NtpTimestamp& t1, const NtpTimestamp& t2, const NtpTimestamp& t3,
                                  std::int8_t precision = -20)
{
    std::vector<std::uint8_t> bytes(48, 0);
    bytes[0] = 0x1C;
    bytes[1] = 4;
    bytes[3] = static_cast<std::uint8_t>(precision);
    t1.ToNetworkOrder(&bytes[24]);
    t2.ToNetworkOrder(&bytes[32]);
    t3.ToNetworkOrder(&bytes[40]);
    return bytes;
}

std::uint32_t Evaluate(const std::vector<std::uint8_t>& bytes, const NtpTimestamp& t1, const NtpTimestamp& t4,
                       SntpResult& result)
{
    return NumberOf(EvaluateNtpReply(bytes.data(), bytes.size(), t1, t1, t4, result));
}

// The last second before the wrap, 2036-02-07 06:28:15, and the first after it.
const NtpTimestamp kBeforeWrap(0xFFFFFFFFu, 0x00000000u);
const NtpTimestamp kAfterWrap(0x00000000u, 0x00000000u);

struct WrapCase {
    const char* name;
    NtpTimestamp t1;   // local clock, when the request left
    double ahead;      // server's clock against ours, seconds
};

TEST(ReplyFigures, AcrossThe2036WrapEveryWayRound)
{
    // 20 ms each way, 5 ms in the server.
    const WrapCase cases[] = {
        {"local before, server before", kBeforeWrap.AddSeconds(-10.0), 3.0},
        {"local before, server after", kBeforeWrap.AddSeconds(-2.0), 3.0},
        {"local after, server before", kAfterWrap.AddSeconds(1.0), -3.0},
        {"local after, server after", kAfterWrap.AddSeconds(5.0), 3.0},
        {"local before, server nine years after", kBeforeWrap.AddSeconds(-100.0), 9.0 * 365 * 86400},
        {"local after, server nine years before", kAfterWrap.AddSeconds(100.0), -9.0 * 365 * 86400},
    };
    for (const WrapCase& c : cases) {
        const NtpTimestamp t2 = c.t1.AddSeconds(0.020 + c.ahead);
        const NtpTimestamp t3 = t2.AddSeconds(0.005);
        const NtpTimestamp t4 = c.t1.AddSeconds(0.045);
        SntpResult result;
        ASSERT_EQ(Evaluate(ReplyTo(c.t1, t2, t3), c.t1, t4, result), ErrorCode::Success) << c.name;
        EXPECT_NEAR(result.RoundtripDelay, 0.040, 1e-8) << c.name;
        EXPECT_NEAR(result.ClockOffset, c.ahead, 1e-6) << c.name;
    }
}

TEST(ReplyFigures, ATransmitStampBeforeTheReceiveStampIsMalformed)
{
    const NtpTimestamp t1(0xED003780u, 0);
    SntpResult result;
    EXPECT_EQ(Evaluate(ReplyTo(t1, t1.AddSeconds(0.010), t1.AddSeconds(0.009)), t1, t1.AddSeconds(0.020), result),
              ErrorCode::MalformedReply);
    // Also across the wrap: "after" the wrap by the raw numbers, but before it in truth.
    EXPECT_EQ(Evaluate(ReplyTo(kBeforeWrap, kAfterWrap, kBeforeWrap), kBeforeWrap, kAfterWrap.AddSeconds(1.0), result),
              ErrorCode::MalformedReply);
}

TEST(ReplyFigures, AServerHoldingLongerThanTheRoundTripIsMalformed)
{
    // The server claims 62.5 ms between receiving and sending, over a 30 ms round trip.
    const NtpTimestamp t1(0xED003780u, 0);
    const NtpTimestamp t2 = t1.AddSeconds(0.010);
    const NtpTimestamp t3 = t2.AddSeconds(0.0625);
    SntpResult result;
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, t3), t1, t1.AddSeconds(0.030), result), ErrorCode::MalformedReply);
    // A claim of a clock ticking in whole seconds (or in 64 s) excuses no
    // more than a mains-frequency tick: not the half second here, nor 20 ms.
    const NtpTimestamp late = t2.AddSeconds(0.5);
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, late, 0), t1, t1.AddSeconds(0.030), result), ErrorCode::MalformedReply);
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, late, 6), t1, t1.AddSeconds(0.030), result), ErrorCode::MalformedReply);
    const NtpTimestamp slightlyLate = t2.AddSeconds(0.040);
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, slightlyLate, 0), t1, t1.AddSeconds(0.020), result), ErrorCode::MalformedReply);
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, slightlyLate, 0), t1, t1.AddSeconds(0.030), result), ErrorCode::Success)
        << "10 ms short of the claimed holding time is within a coarse clock's tick";
}

TEST(ReplyFigures, ANegativeDelayWithinTheServersPrecisionIsRoundingAndKept)
{
    // -0.9 ms of delay from a server whose clock ticks in 2^-10 s (0.98 ms).
    const NtpTimestamp t1(0xED003780u, 0);
    const NtpTimestamp t2 = t1.AddSeconds(0.0001);
    const NtpTimestamp t3 = t2.AddSeconds(0.0010);
    const NtpTimestamp t4 = t1.AddSeconds(0.0001);
    SntpResult result;
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, t3, -10), t1, t4, result), ErrorCode::Success);
    EXPECT_NEAR(result.RoundtripDelay, -0.0009, 1e-9);
    // The same figures from a microsecond clock are no rounding.
    EXPECT_EQ(Evaluate(ReplyTo(t1, t2, t3, -20), t1, t4, result), ErrorCode::MalformedReply);
}

TEST(ReplyFigures, AnUnsynchronisedServerIsSaidSoBeforeItsFiguresAreJudged)
{
    const NtpTimestamp t1(0xED003780u, 0);
    // No transmit stamp: its "transmit before receive" is the server saying it has no time.
    std::vector<std::uint8_t> zeroTransmit = ReplyTo(t1, t1.AddSeconds(0.01), NtpTimestamp());
    SntpResult result;
    EXPECT_EQ(Evaluate(zeroTransmit, t1, t1.AddSeconds(0.02), result), ErrorCode::ServerUnsynchronised);
}

TEST(ReplyFigures, AllOnesStampsAndStampsAtTheWrapGiveTrueFiguresOrAClearNo)
{
    const NtpTimestamp allOnes(~std::uint64_t{0});
    SntpResult result;
    // Receive and transmit both all ones against a clock a moment before: fine figures.
    const NtpTimestamp t1 = allOnes.AddSeconds(-0.030);
    EXPECT_EQ(Evaluate(ReplyTo(t1, allOnes.AddSeconds(-0.020), allOnes), t1, allOnes.AddSeconds(0.010), result),
              ErrorCode::Success);
    EXPECT_NEAR(result.RoundtripDelay, 0.020, 1e-8);
    // Astride the wrap, the server's stamps just after it.
    const NtpTimestamp justAfter(0x00000000u, 0x00000001u);
    EXPECT_EQ(Evaluate(ReplyTo(kBeforeWrap, justAfter, justAfter), kBeforeWrap, justAfter, result),
              ErrorCode::Success);
    EXPECT_NEAR(result.RoundtripDelay, 1.0, 1e-9);
    EXPECT_NEAR(result.ClockOffset, 0.5, 1e-9);
    // The very first instant of era 1 is all zeros: a transmit stamp of zero
    // is the server saying it has no time, at the wrap as anywhere.
    EXPECT_EQ(Evaluate(ReplyTo(kBeforeWrap, kAfterWrap, kAfterWrap), kBeforeWrap, justAfter, result),
              ErrorCode::ServerUnsynchronised);
    // An all-ones originate that is not ours stays foreign.
    EXPECT_EQ(Evaluate(ReplyTo(allOnes, kAfterWrap, kAfterWrap), kBeforeWrap, kAfterWrap, result),
              ErrorCode::ForeignReply);
}

} // namespace
