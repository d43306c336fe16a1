// The real QueryServer against a real chronyd on loopback: the figures must
// agree with a server that shares this machine's clock.
#include "ChronydFixture.h"
#include "QueryOutcome.h"
#include "SntpProbe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

class Chronyd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_chronyd = new ChronydFixture;
        if (!s_chronyd->Start(s_whyNot))
            s_whyNot = "chronyd cannot run here: " + s_whyNot;
    }
    static void TearDownTestSuite()
    {
        delete s_chronyd;
        s_chronyd = nullptr;
    }
    void SetUp() override
    {
        if (s_chronyd->Port() == 0)
            GTEST_SKIP() << s_whyNot;
    }

    static ChronydFixture* s_chronyd;
    static std::string s_whyNot;
};
ChronydFixture* Chronyd::s_chronyd = nullptr;
std::string Chronyd::s_whyNot;

TEST_F(Chronyd, OffsetIsWithinAMillisecondOfZeroAndTheDelaySmall)
{
    // As an NTP clock filter does, judge the exchange least disturbed by scheduling.
    SntpResult best;
    best.RoundtripDelay = 1e9;
    for (int i = 0; i < 8; ++i) {
        const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
        ASSERT_TRUE(q.ok) << "error " << q.error;
        EXPECT_GT(q.result.RoundtripDelay, 0.0);
        if (q.result.RoundtripDelay < best.RoundtripDelay)
            best = q.result;
    }
    EXPECT_NEAR(best.ClockOffset, 0.0, 0.001);
    EXPECT_LT(best.RoundtripDelay, 0.01);
    RecordProperty("offset_ns", static_cast<int>(best.ClockOffset * 1e9));
    RecordProperty("delay_ns", static_cast<int>(best.RoundtripDelay * 1e9));
}

TEST_F(Chronyd, AnswersOverIPv6Too)
{
    const QueryOutcome q = RunQuery("::1", s_chronyd->Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, ChronydFixture::LocalStratum);
    EXPECT_NEAR(q.result.ClockOffset, 0.0, 0.01);
}

TEST_F(Chronyd, StratumAndLeapAreAsChronydServesThem)
{
    const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    EXPECT_EQ(q.result.Stratum, ChronydFixture::LocalStratum);
    EXPECT_EQ(q.result.LeapIndicator, 0);
}

TEST_F(Chronyd, TheFourStampsAreInCausalOrder)
{
    const QueryOutcome q = RunQuery("127.0.0.1", s_chronyd->Port());
    ASSERT_TRUE(q.ok) << "error " << q.error;
    const SntpResult& r = q.result;
    // One clock serves both ends, so the stamps follow the exchange.
    EXPECT_LE(r.OriginateTimestamp.Value(), r.ReceiveTimestamp.Value());
    EXPECT_LE(r.ReceiveTimestamp.Value(), r.TransmitTimestamp.Value());
    EXPECT_LE(r.TransmitTimestamp.Value(), r.DestinationTimestamp.Value());
}

} // namespace
