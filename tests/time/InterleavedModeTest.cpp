// Interleaved mode's pure parts: what the request carries, which answer is
// which, and the previous exchange completed by the answer's transmit stamp.
#include "InterleavedMode.h"
#include "ErrorCodes.h"
#include "SntpResult.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brisvander;

namespace {

NtpTimestamp At(double seconds) { return NtpTimestamp(0xE0000000ull << 32).AddSeconds(seconds); }

std::vector<std::uint8_t> Answer(const NtpTimestamp& origin, const NtpTimestamp& receive, const NtpTimestamp& transmit)
{
    std::vector<std::uint8_t> bytes(48, 0);
    bytes[0] = 0x24; // version 4, mode 4
    bytes[1] = 2;
    bytes[3] = 0xEC;
    origin.ToNetworkOrder(bytes.data() + 24);
    receive.ToNetworkOrder(bytes.data() + 32);
    transmit.ToNetworkOrder(bytes.data() + 40);
    return bytes;
}

TEST(InterleavedRequest, IsVersionFourAndNamesThePreviousAnswerOnlyOnceThereIsOne)
{
    const NtpRequest first = BuildInterleavedRequest(At(10), std::nullopt);
    EXPECT_EQ(first[0], NtpV4RequestFirstByte);
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(first.data() + 24).Value(), 0u);
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(first.data() + 32).Value(), 0u);

    const ExchangeStamps previous{At(1), At(1.5), At(2)};
    const NtpRequest next = BuildInterleavedRequest(At(10), previous);
    EXPECT_EQ(next[0], NtpV4RequestFirstByte);
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(next.data() + 24), previous.ServerReceive);
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(next.data() + 32), previous.Arrival);
    EXPECT_EQ(NtpTimestamp::FromNetworkOrder(next.data() + 40), At(10));
}

TEST(InterleavedAnswer, TheOriginAloneDecidesWhichAnswerItIs)
{
    const SentStamps sent{At(10), At(2)};
    EXPECT_EQ(ClassifyAnswer(At(10), sent), AnswerKind::Basic);
    EXPECT_EQ(ClassifyAnswer(At(2), sent), AnswerKind::Interleaved);
    EXPECT_EQ(ClassifyAnswer(At(1.5), sent), AnswerKind::Foreign);
    // A basic request's zero receive field is never an answer's origin.
    EXPECT_EQ(ClassifyAnswer(NtpTimestamp(), SentStamps{At(10), NtpTimestamp()}), AnswerKind::Foreign);
}

TEST(InterleavedAnswer, CompletesThePreviousExchangeWithThePreciseTransmitStamp)
{
    // Previous exchange: left at 1.000, the server (0.25 s ahead) received at
    // 1.250 + 0.001 and sent at 1.250 + 0.002 by its precise stamp; back at 1.003.
    const ExchangeStamps previous{At(1.000), At(1.251), At(1.003)};
    const SentStamps sent{At(10), previous.Arrival};
    SntpResult result;
    ExchangeStamps latest;
    const auto answer = Answer(previous.Arrival, At(10.2505), At(1.252));
    ASSERT_FALSE(EvaluateInterleavedReply(answer.data(), answer.size(), sent, At(10), At(10.003), previous, result,
                                          latest));
    EXPECT_TRUE(result.Interleaved);
    EXPECT_NEAR(result.RoundtripDelay, 0.002, 1e-9);
    EXPECT_NEAR(result.ClockOffset, 0.25, 1e-9);
    EXPECT_EQ(result.ReceiveTimestamp, previous.ServerReceive);
    EXPECT_EQ(result.TransmitTimestamp, At(1.252));
    EXPECT_EQ(result.DestinationTimestamp, previous.Arrival);
    // The next request completes this one.
    EXPECT_EQ(latest.Departure, At(10));
    EXPECT_EQ(latest.ServerReceive, At(10.2505));
    EXPECT_EQ(latest.Arrival, At(10.003));
}

TEST(InterleavedAnswer, BasicAnswersAreTakenAsTheyAreAndNothingElseIs)
{
    const ExchangeStamps previous{At(1.000), At(1.251), At(1.003)};
    const SentStamps sent{At(10), previous.Arrival};
    SntpResult result;
    ExchangeStamps latest;
    const auto basic = Answer(At(10), At(10.251), At(10.252));
    ASSERT_FALSE(EvaluateInterleavedReply(basic.data(), basic.size(), sent, At(10), At(10.003), previous, result,
                                          latest));
    EXPECT_FALSE(result.Interleaved);
    EXPECT_NEAR(result.ClockOffset, 0.25, 1e-9);
    EXPECT_EQ(latest.ServerReceive, At(10.251));

    const auto neither = Answer(At(1.251), At(10.251), At(10.252));
    const auto withoutPrevious = Answer(previous.Arrival, At(10.2505), At(1.252));
    for (const auto* answer : {&neither, &withoutPrevious}) {
        const std::optional<ExchangeStamps> known = answer == &neither ? std::optional(previous) : std::nullopt;
        const std::optional<Failure> verdict = EvaluateInterleavedReply(
            answer->data(), answer->size(), sent, At(10), At(10.003), known, result, latest);
        ASSERT_TRUE(verdict);
        EXPECT_EQ(verdict->Number, ErrorCode::ForeignReply);
    }
}

} // namespace
