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
    for (int i = 1; i <= 6; ++i)
        farm.push_back({"127.0.2." + std::to_string(i), 10 * i, 0.0, Manner::Answer});
    farm.push_back({"127.0.2.7", 5, 0.5, Manner::Answer});
    farm.push_back({"127.0.2.8", 0, 0.0, Manner::Silent});
    farm.push_back({"127.0.2.9", 0, 0.0, Manner::Closed});
    farm.push_back({"127.0.2.10", 0, 0.0, Manner::KissRate});
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

    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 10, 11}) {
        EXPECT_TRUE(results[i].Answered()) << hosts[i] << " error " << results[i].Error;
        EXPECT_NEAR(results[i].Offset, i == 6 ? 0.5 : 0.0, 0.1) << hosts[i];
    }
    EXPECT_EQ(results[11].Address, "127.0.0.1");
    EXPECT_EQ(results[7].Error, ErrorCode::TimedOut);
    EXPECT_EQ(results[8].Error, ErrorCode::ConnectionReset);
    EXPECT_EQ(results[9].Failure, SurveyFailure::RateLimited);
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
    EXPECT_EQ(verdict.Verdicts[6], ServerVerdict::Disagrees);
}
