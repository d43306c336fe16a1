// Delay and offset through a delay line, against a real chronyd and the fake
// server: the figures must be what NTP's arithmetic makes of the holds the
// relay really applied.
#include "ChronydFixture.h"
#include "FakeSntpServer.h"
#include "NetPath.h"
#include "ReferenceClock.h"

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

// The fake server's cases run where chronyd cannot.
class DelayPath : public ChronydSuite<> {
protected:
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
};

TEST_F(DelayPath, TwentyMillisecondsEachWayToChronydGiveFortyDelayAndNoOffset)
{
    if (!Serving())
        GTEST_SKIP() << s_whyNot;
    const int port = s_chronyd->Port();
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
    if (!Serving())
        GTEST_SKIP() << s_whyNot;
    const int port = s_chronyd->Port();
    const PathExchange e = ExpectFiguresFollowThePath(port, 30, 10, 0.0, "chronyd 30/10");
    EXPECT_GT(e.query.result.ClockOffset, 0.008) << "the sign of the asymmetry error is wrong";
}

TEST_F(DelayPath, ThirtyOutTenBackToTheFakeServerShowsTenMillisecondsOfOffset)
{
    const PathExchange e = ExpectFiguresFollowThePath(fake.Port(), 30, 10, 0.0, "fake 30/10");
    EXPECT_GT(e.query.result.ClockOffset, 0.008) << "the sign of the asymmetry error is wrong";
}

TEST_F(DelayPath, AServerTwoAndAHalfSecondsAheadIsMeasured)
{
    fake.SetClockOffset(2.5);
    ExpectFiguresFollowThePath(fake.Port(), 20, 20, 2.5, "fake +2.5 s 20/20");
}

} // namespace
