// A whole survey against many loopback servers in one process: different
// holding times, one wrong, one silent, one closed, one sending a kiss, and
// an address reached by two names; interleaved answers from three samples on.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "LoopbackServerFarm.h"
#include "ReferenceClock.h"
#include "SurveyEngine.h"
#include "SurveyVerdict.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace brisvander;
using namespace brisvander::testsupport;
using namespace std::chrono_literals;
using Manner = FarmServer::Manner;

TEST(SurveyEngine, AsksEveryServerOnceAtATimeAndJudges)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    std::vector<FarmServer> farm;
    farm.push_back({"127.0.2.1", 0, 0.0, Manner::KissRate});
    farm.push_back({"127.0.2.2", 0, 0.0, Manner::Silent});
    // The kernel leaves a closed port's error pending on the shared socket:
    // the servers asked next must still get their requests.
    farm.push_back({"127.0.2.3", 0, 0.0, Manner::Closed});
    for (int i = 4; i <= 9; ++i)
        farm.push_back({"127.0.2." + std::to_string(i), 10 * i, 0.0, Manner::Answer});
    farm.push_back({"127.0.2.10", 5, 0.5, Manner::Answer});
    farm.push_back({"127.0.0.1", 20, 0.0, Manner::Answer});
    LoopbackServerFarm servers(farm);
    ASSERT_NE(servers.Port(), 0);

    std::vector<std::string> hosts;
    for (const FarmServer& server : farm)
        hosts.push_back(server.Address);
    hosts.push_back("localhost");
    hosts.push_back("survey-test.invalid");

    SurveyPlan plan;
    plan.Port = servers.Port();
    plan.Samples = 2;
    plan.ExchangeTimeout = 1000ms;
    const std::vector<HostSurvey> results = RunSurvey(hosts, plan);
    ASSERT_EQ(results.size(), hosts.size());

    for (std::size_t i = 3; i <= 11; ++i) {
        EXPECT_TRUE(results[i].Answered()) << hosts[i] << " error " << results[i].Error;
        EXPECT_NEAR(results[i].Offset, i == 9 ? 0.5 : 0.0, 0.1) << hosts[i];
    }
    EXPECT_EQ(results[11].Address, "127.0.0.1");
    EXPECT_EQ(results[0].Failure, SurveyFailure::RateLimited);
    EXPECT_EQ(results[1].Error, ErrorCode::TimedOut);
    EXPECT_EQ(results[2].Error, ErrorCode::ConnectionReset);
    EXPECT_EQ(results[12].Error, ErrorCode::HostNotFound);

    // Two requests each, but one to the server that sent the kiss, and two
    // to the address that two names reach.
    for (std::size_t i = 0; i < farm.size(); ++i) {
        const int expected = farm[i].How == Manner::Closed ? 0 : (farm[i].How == Manner::KissRate ? 1 : 2);
        EXPECT_EQ(servers.RequestCount(i), expected) << farm[i].Address;
    }

    const SurveyVerdict verdict = JudgeSurvey(results);
    ASSERT_TRUE(verdict.Given());
    EXPECT_EQ(verdict.Answered, 8);
    EXPECT_EQ(verdict.Agreeing, 7);
    EXPECT_EQ(verdict.Verdicts[9], ServerVerdict::Disagrees);
}

TEST(SurveyEngine, ACancelledSurveyReportsWhatItHasAndCountsItsWay)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    LoopbackServerFarm servers({{"127.0.3.1", 0, 0.0, Manner::Answer},
                                {"127.0.3.2", 0, 0.0, Manner::Answer},
                                {"127.0.3.3", 0, 0.0, Manner::Silent}});
    ASSERT_NE(servers.Port(), 0);
    const std::vector<std::string> hosts{"127.0.3.1", "127.0.3.2", "127.0.3.3"};

    std::atomic<bool> cancel{false};
    std::vector<SurveyProgress> seen;
    SurveyPlan plan;
    plan.Port = servers.Port();
    plan.Cancel = &cancel;
    // Once the two that answer are done, only the silent one keeps the survey going.
    plan.Progress = [&](const SurveyProgress& progress) {
        seen.push_back(progress);
        if (progress.Settled == 2)
            cancel = true;
    };
    const std::vector<HostSurvey> results = RunSurvey(hosts, plan);

    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().Settled, 2u);
    for (const SurveyProgress& progress : seen)
        EXPECT_EQ(progress.Total, 3u);
    EXPECT_TRUE(results[0].Answered());
    EXPECT_TRUE(results[1].Answered());
    EXPECT_EQ(results[2].Error, ErrorCode::Interrupted) << "cut short, not waited out to its time-out";
    EXPECT_EQ(servers.RequestCount(2), 1);
}

namespace {
NtpTimestamp Field(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return NtpTimestamp::FromNetworkOrder(&bytes[at]);
}

// Holds every answer 100 ms after stamping its transmit time, so a basic
// answer shows 100 ms of delay; the answer's departure is kept, and with
// `interleave` sent in the next answer that names it.
class HoldingServer {
public:
    static constexpr int HoldMs = 100;

    HoldingServer(FakeSntpServer& server, bool interleave) : m_interleave(interleave)
    {
        server.SetScript([this](const FakeReplyContext& ctx) { return Answer(ctx); });
    }
    std::vector<std::vector<std::uint8_t>> Requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }
    std::vector<std::vector<std::uint8_t>> Replies() const
    {
        const std::lock_guard lock(m_mutex);
        return m_replies;
    }

private:
    std::vector<FakeSntpServer::Datagram> Answer(const FakeReplyContext& ctx)
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back(ctx.whole);
        std::vector<std::uint8_t> reply = FakeSntpServer::MakeReply(ctx, 0.0);
        // Never later than the true departure, however late the thread.
        m_departures[Field(reply, 32).Value()] = ShiftedBy(Field(reply, 32), HoldMs / 1000.0);
        const auto named = m_departures.find(Field(ctx.whole, 24).Value());
        if (m_interleave && named != m_departures.end()) {
            std::copy_n(&ctx.whole[32], 8, &reply[24]);
            named->second.ToNetworkOrder(&reply[40]);
        }
        m_replies.push_back(reply);
        return {{reply, HoldMs}};
    }

    bool m_interleave;
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_requests;
    std::vector<std::vector<std::uint8_t>> m_replies;
    std::map<std::uint64_t, NtpTimestamp> m_departures;
};
} // namespace

TEST(SurveyEngine, ThreeSamplesAskForInterleavedAnswersAndTakeBasicOnes)
{
    FakeSntpServer v4;
    ASSERT_NE(v4.Port(), 0);
    FakeSntpServer v6(LoopbackFamily::IPv6, v4.Port());
    ASSERT_NE(v6.Port(), 0) << "::1 not usable here";
    HoldingServer interleaving(v4, true);
    HoldingServer basic(v6, false);

    SurveyPlan plan;
    plan.Port = v4.Port();
    plan.Samples = 3;
    plan.ExchangeTimeout = 1000ms;
    const std::vector<std::string> hosts{"127.0.0.1", "::1"};
    const std::vector<HostSurvey> results = RunSurvey(hosts, plan);

    for (const HoldingServer* server : {&interleaving, &basic}) {
        const auto requests = server->Requests();
        const auto replies = server->Replies();
        ASSERT_EQ(requests.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(requests[i][0], 0x23) << "version 4, request " << i;
            // From the second on each names the answer before it by its receive stamp.
            EXPECT_EQ(Field(requests[i], 24), i == 0 ? NtpTimestamp() : Field(replies[i - 1], 32)) << i;
        }
    }
    // The interleaved answers' true departures take the holding time out of the delay.
    ASSERT_TRUE(results[0].Answered()) << results[0].Error;
    EXPECT_LT(results[0].Delay, HoldingServer::HoldMs / 2000.0);
    EXPECT_NEAR(results[0].Offset, 0.0, HoldingServer::HoldMs / 4000.0);
    ASSERT_TRUE(results[1].Answered()) << results[1].Error;
    EXPECT_GE(results[1].Delay, HoldingServer::HoldMs / 1000.0 * 0.9);
}
