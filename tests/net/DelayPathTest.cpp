// Delay and offset through a delay line, against a real chronyd and the fake
// server: the figures must be what NTP's arithmetic makes of the holds the
// relay really applied, and "Abgleichen" must ask for the time that follows.
#include "ChronydFixture.h"
#include "FakeSntpServer.h"
#include "NetPath.h"
#include "RecordingClockControl.h"
#include "ReferenceClock.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

// Loopback legs, the servers' user-space stamps and the relay's wake-up
// together stay well below this on a quiet machine.
constexpr double kDelayTolerance = 0.003;
constexpr double kOffsetTolerance = 0.001;
constexpr int kTries = 3;

UdpRelay::Options Path(int outMs, int inMs)
{
    UdpRelay::Options options;
    options.outboundDelayUs = outMs * 1000;
    options.inboundDelayUs = inMs * 1000;
    return options;
}

class DelayPath : public ::testing::Test {
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
    void SetUp() override { ASSERT_NE(fake.Port(), 0) << "the fake server could not bind"; }

    // Returns the exchange judged, after checking it against the prediction.
    PathExchange ExpectFiguresFollowThePath(int serverPort, int outMs, int inMs, double serverAheadS,
                                            const char* label)
    {
        UdpRelay relay(serverPort, Path(outMs, inMs));
        EXPECT_NE(relay.Port(), 0) << "the relay could not start";
        const PathExchange e = LeastDisturbedOf(kTries, relay);
        EXPECT_TRUE(e.query.ok) << label << ": error " << e.query.error;
        EXPECT_TRUE(e.heldOnce) << label << ": the exchange did not pass the relay once each way";
        if (!e.query.ok || !e.heldOnce)
            return e;
        std::printf("[ figures  ] %s: %s\n", label, e.Describe(serverAheadS).c_str());
        // The relay never forwards early; slowness only lengthens the holds.
        EXPECT_GE(e.outboundS, outMs / 1e3) << label;
        EXPECT_GE(e.inboundS, inMs / 1e3) << label;
        EXPECT_GE(e.query.result.RoundtripDelay, (outMs + inMs) / 1e3 - 0.0005) << label;
        EXPECT_NEAR(e.query.result.RoundtripDelay, e.PredictedDelay(), kDelayTolerance) << label;
        EXPECT_NEAR(e.query.result.ClockOffset, e.PredictedOffset(serverAheadS), kOffsetTolerance) << label;
        RecordProperty(std::string(label) + "_delay_us", static_cast<int>(e.query.result.RoundtripDelay * 1e6));
        RecordProperty(std::string(label) + "_offset_us", static_cast<int>(e.query.result.ClockOffset * 1e6));
        return e;
    }

    FakeSntpServer fake;
    static ChronydFixture* s_chronyd;
    static std::string s_whyNot;
};
ChronydFixture* DelayPath::s_chronyd = nullptr;
std::string DelayPath::s_whyNot;

TEST_F(DelayPath, TwentyMillisecondsEachWayToChronydGiveFortyDelayAndNoOffset)
{
    const int port = s_chronyd->Port();
    if (port == 0)
        GTEST_SKIP() << s_whyNot;
    const PathExchange e = ExpectFiguresFollowThePath(port, 20, 20, 0.0, "chronyd 20/20");
    EXPECT_NEAR(e.query.result.ClockOffset, 0.0, kOffsetTolerance + std::fabs(e.outboundS - e.inboundS) / 2.0);
}

TEST_F(DelayPath, TwentyMillisecondsEachWayToTheFakeServerGiveFortyDelayAndNoOffset)
{
    const PathExchange e = ExpectFiguresFollowThePath(fake.Port(), 20, 20, 0.0, "fake 20/20");
    EXPECT_NEAR(e.query.result.ClockOffset, 0.0, kOffsetTolerance + std::fabs(e.outboundS - e.inboundS) / 2.0);
}

// The server's own holding time (between its receive and transmit stamps) is no part of the path.
TEST_F(DelayPath, AServerHoldingTheRequestAddsNothingToTheDelay)
{
    fake.SetScript([](const FakeReplyContext& ctx) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        return std::vector<FakeSntpServer::Datagram>{{FakeSntpServer::MakeReply(ctx, 0.0), 0}};
    });
    const PathExchange e = ExpectFiguresFollowThePath(fake.Port(), 20, 20, 0.0, "fake holding 15 ms, 20/20");
    EXPECT_GE(e.query.result.TransmitTimestamp.Difference(e.query.result.ReceiveTimestamp), 0.015);
}

// The client cannot see asymmetry: half of it appears as offset, +10 ms here.
TEST_F(DelayPath, ThirtyOutTenBackToChronydShowsTenMillisecondsOfOffset)
{
    const int port = s_chronyd->Port();
    if (port == 0)
        GTEST_SKIP() << s_whyNot;
    const PathExchange e = ExpectFiguresFollowThePath(port, 30, 10, 0.0, "chronyd 30/10");
    EXPECT_GT(e.query.result.ClockOffset, 0.008) << "the sign of the asymmetry error is wrong";
}

TEST_F(DelayPath, ThirtyOutTenBackToTheFakeServerShowsTenMillisecondsOfOffset)
{
    const PathExchange e = ExpectFiguresFollowThePath(fake.Port(), 30, 10, 0.0, "fake 30/10");
    EXPECT_GT(e.query.result.ClockOffset, 0.008) << "the sign of the asymmetry error is wrong";
}

TEST_F(DelayPath, AServerTwoAndAHalfSecondsAheadIsMeasuredAndAbgleichenAsksForIt)
{
    fake.SetClockOffset(2.5);
    ExpectFiguresFollowThePath(fake.Port(), 20, 20, 2.5, "fake +2.5 s 20/20");

    UdpRelay relay(fake.Port(), Path(20, 20));
    ASSERT_NE(relay.Port(), 0);
    RecordingClockControl clock;
    SntpClient client(clock);
    const UdpRelay::Stats before = relay.GetStats();
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "127.0.0.1", relay.Port(), client);
    const UdpRelay::Stats after = relay.GetStats();
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error;
    ASSERT_EQ(after.forwardedIn, before.forwardedIn + 1);
    const double predicted = 2.5 + (after.outboundHoldUs.back() - after.inboundHoldUs.back()) / 2e6;
    EXPECT_NEAR(outcome.Result.ClockOffset, predicted, kOffsetTolerance);
    EXPECT_TRUE(outcome.ClockSet);

    const auto steps = clock.Of(RecordingClockControl::Call::Step);
    ASSERT_EQ(steps.size(), 1u);
    std::printf("[ figures  ] Abgleichen: stepped by %.6f s (measured offset %.6f s)\n", steps[0].StepSeconds(),
                outcome.Result.ClockOffset);
    // The clock moves by the offset itself, to the nanosecond's rounding.
    EXPECT_NEAR(steps[0].StepSeconds(), outcome.Result.ClockOffset, 1e-9);
}

} // namespace
