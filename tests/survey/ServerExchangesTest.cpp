// The requests to one address without a network: how long each is awaited,
// when the next may go, and what ends them for good.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "ReferenceClock.h"
#include "ServerExchanges.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;
using namespace std::chrono_literals;

namespace {
const SteadyTime Start{std::chrono::hours(1)};

// The fake server's reply to the request stamped `transmit`.
std::vector<std::uint8_t> ReplyTo(const NtpTimestamp& transmit, const char* kiss = nullptr)
{
    FakeReplyContext ctx;
    transmit.ToNetworkOrder(ctx.request.data() + 40);
    ctx.receivedAt = RealClockPlus(0.0);
    if (kiss == nullptr)
        return FakeSntpServer::MakeReply(ctx, 0.0);
    return FakeSntpServer::MakeHostile(ctx, 0.0, {HostileReply::Kind::KissOfDeath, 0, kiss}).front().bytes;
}

ServerExchanges::Taken Deliver(ServerExchanges& server, const std::vector<std::uint8_t>& bytes, SteadyTime now)
{
    return server.TakeDatagram(bytes.data(), bytes.size(), RealClockPlus(0.0), now);
}
} // namespace

TEST(SurveyServerExchanges, WaitsOutForgeriesAndKeepsItsPace)
{
    ServerExchanges server({2, 2000ms, 5000ms}, Start);
    EXPECT_EQ(server.NextTime(), Start);
    const NtpTimestamp first = RealClockPlus(0.0);
    server.RequestSent(first, Start);
    EXPECT_EQ(server.NextTime(), Start + 5000ms);

    // A reply to another request proves nothing: the wait goes on.
    EXPECT_EQ(Deliver(server, ReplyTo(ShiftedBy(first, 1.0)), Start + 5ms), ServerExchanges::Taken::Discarded);
    EXPECT_TRUE(server.AwaitingReply());
    EXPECT_EQ(Deliver(server, ReplyTo(first), Start + 10ms), ServerExchanges::Taken::Answered);
    EXPECT_FALSE(server.Finished());
    EXPECT_EQ(server.NextTime(), Start + 10ms + 2000ms);

    // The second request goes unanswered but for a forgery: the survey still has the first answer.
    server.RequestSent(ShiftedBy(first, 2.0), Start + 2010ms);
    Deliver(server, ReplyTo(first), Start + 2020ms);
    server.TimeOut(Start + 7010ms);
    EXPECT_TRUE(server.Finished());
    HostSurvey host;
    server.Report(host);
    EXPECT_TRUE(host.Answered());
    EXPECT_EQ(host.Stratum, 2);
    EXPECT_NEAR(host.Offset, 0.0, 0.5);
}

TEST(SurveyServerExchanges, AKissEndsTheRequestsForGood)
{
    for (const auto& [kiss, failure] : {std::pair{"RATE", SurveyFailure::RateLimited},
                                        std::pair{"DENY", SurveyFailure::Refused},
                                        std::pair{"RSTR", SurveyFailure::Refused}}) {
        ServerExchanges server({4, 2000ms, 5000ms}, Start);
        const NtpTimestamp sent = RealClockPlus(0.0);
        server.RequestSent(sent, Start);
        EXPECT_EQ(Deliver(server, ReplyTo(sent, kiss), Start + 1ms), ServerExchanges::Taken::Failed);
        EXPECT_TRUE(server.Finished()) << kiss;
        HostSurvey host;
        server.Report(host);
        EXPECT_EQ(host.Failure, failure) << kiss;
        EXPECT_EQ(host.Error, ErrorCode::ServerUnsynchronised);
    }
}

TEST(SurveyServerExchanges, FailuresKeepTheirNumbers)
{
    ServerExchanges server({3, 2000ms, 5000ms}, Start);
    const NtpTimestamp sent = RealClockPlus(0.0);
    server.RequestSent(sent, Start);
    server.TakeNetworkError(ErrorCode::ConnectionReset, Start + 1ms);
    EXPECT_EQ(server.NextTime(), Start + 2001ms); // a closed port is asked again, but not sooner

    server.RequestFailed(ErrorCode::WouldBlock, Start + 2001ms); // a full buffer sent nothing: try soon
    EXPECT_EQ(server.NextTime(), Start + 2001ms + SendBackoff);
    server.RequestSent(ShiftedBy(sent, 2.0), Start + 2006ms);
    std::vector<std::uint8_t> shortReply = ReplyTo(ShiftedBy(sent, 2.0));
    shortReply.resize(40);
    Deliver(server, shortReply, Start + 2010ms);
    Deliver(server, ReplyTo(sent), Start + 2020ms);
    server.TimeOut(Start + 7006ms);
    HostSurvey host;
    server.Report(host);
    EXPECT_EQ(host.Error, ErrorCode::ForeignReply); // the last datagram discarded names the failure
    EXPECT_FALSE(server.Finished());
    EXPECT_EQ(host.Failure, SurveyFailure::NoAnswer);
}

TEST(SurveyServerExchanges, ACancelKeepsAnAnswerAndInterruptsTheRest)
{
    ServerExchanges unasked({1, 2000ms, 5000ms}, Start);
    unasked.Cancel();
    EXPECT_TRUE(unasked.Finished());
    HostSurvey host;
    unasked.Report(host);
    EXPECT_EQ(host.Error, ErrorCode::Interrupted);

    ServerExchanges answered({2, 2000ms, 5000ms}, Start);
    const NtpTimestamp first = RealClockPlus(0.0);
    answered.RequestSent(first, Start);
    Deliver(answered, ReplyTo(first), Start + 10ms);
    answered.RequestSent(ShiftedBy(first, 2.0), Start + 2010ms);
    answered.Cancel();
    EXPECT_FALSE(answered.AwaitingReply());
    answered.Report(host);
    EXPECT_TRUE(host.Answered()) << "the first exchange's answer stays";
}
