// A whole survey against many loopback servers in one process: different
// holding times, one wrong, one silent, one closed, one sending a kiss, and
// an address reached by two names.
#include "ErrorCodes.h"
#include "LocalNameLookup.h"
#include "LoopbackServerFarm.h"
#include "SurveyEngine.h"
#include "SurveyVerdict.h"

#include <gtest/gtest.h>

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
