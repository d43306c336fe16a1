// A survey with NTS against chronyd's NTS server on loopback: every name
// authenticated, a server without NTS asked plainly where NTS is only
// wanted where offered, and a certificate of an unknown authority never
// taken as a reason to ask plainly.
#include "ChronydNtsServer.h"
#include "ErrorCodes.h"
#include "LocalNameLookup.h"
#include "LoopbackServerFarm.h"
#include "SurveyEngine.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;
using namespace std::chrono_literals;

namespace {
class SurveyWithNts : public ChronydNtsSuite {
protected:
    static SurveyPlan PlanFor(SurveyNtsMode mode, bool trustTheServersAuthority)
    {
        SurveyPlan plan;
        plan.Port = s_chronyd->NtpPort();
        plan.ExchangeTimeout = 2000ms;
        plan.Nts.Mode = mode;
        plan.Nts.KeyExchangePort = static_cast<std::uint16_t>(s_chronyd->KeyExchangePort());
        plan.Nts.KeyExchangeTimeout = 2000ms;
        if (trustTheServersAuthority)
            plan.Nts.ExtraCaFile = s_chronyd->CaFile();
        return plan;
    }
};
} // namespace

TEST_F(SurveyWithNts, EveryNameAuthenticates)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    const std::vector<std::string> hosts{"localhost", "127.0.0.1"};
    const std::vector<HostSurvey> results = RunSurvey(hosts, PlanFor(SurveyNtsMode::Required, true));
    for (const HostSurvey& host : results) {
        EXPECT_TRUE(host.Answered()) << host.Host << " error " << host.Error;
        EXPECT_TRUE(host.Nts) << host.Host;
        EXPECT_EQ(host.Port, s_chronyd->NtpPort()) << "the port the key exchange named";
        EXPECT_FALSE(host.NtsProblem.has_value()) << host.Host;
    }
}

TEST_F(SurveyWithNts, WhereOfferedAsksAServerWithoutNtsPlainly)
{
    ASSERT_TRUE(KeepNameLookupsLocal());
    // chronyd listens on 127.0.0.1 alone: at 127.0.4.1 the key exchange is refused.
    LoopbackServerFarm plain({{"127.0.4.1", 0, 0.0, FarmServer::Manner::Answer}});
    ASSERT_NE(plain.Port(), 0);
    SurveyPlan plan = PlanFor(SurveyNtsMode::WhereOffered, true);
    plan.Port = plain.Port();
    const std::vector<std::string> hosts{"127.0.0.1", "127.0.4.1"};
    const std::vector<HostSurvey> results = RunSurvey(hosts, plan);

    EXPECT_TRUE(results[0].Answered()) << results[0].Error;
    EXPECT_TRUE(results[0].Nts);
    EXPECT_TRUE(results[1].Answered()) << results[1].Error;
    EXPECT_FALSE(results[1].Nts);
    EXPECT_EQ(plain.RequestCount(0), 1);
}

TEST_F(SurveyWithNts, AnUnknownAuthorityFailsEvenWhereNtsIsOnlyOffered)
{
    // Its plain NTP port is the survey's: falling back would have answered.
    const std::vector<std::string> hosts{"127.0.0.1"};
    const std::vector<HostSurvey> results = RunSurvey(hosts, PlanFor(SurveyNtsMode::WhereOffered, false));
    EXPECT_FALSE(results[0].Answered());
    EXPECT_EQ(results[0].Error, ErrorCode::KeyExchangeFailed);
    ASSERT_TRUE(results[0].NtsProblem.has_value());
    EXPECT_EQ(results[0].NtsProblem->Kind, FailureKind::NtsCertificateUnknownIssuer);
}
