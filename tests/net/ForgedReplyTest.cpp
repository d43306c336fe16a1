// A flood of forged replies from the server's address during one exchange,
// as anyone on the path can send. (One forgery that races the true reply is
// the query's own test of replies that cannot prove they answer.)
#include "FakeSntpServer.h"
#include "NetPath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Bytes = std::vector<std::uint8_t>;
using Datagrams = std::vector<FakeSntpServer::Datagram>;

constexpr double kServerAhead = 0.75;
constexpr double kForgedAhead = 100.0; // what a forged reply would make the offset
// A burst that a stock receive buffer holds whole when the client asks for
// the most it may have (net.core.rmem_max 212992 gives room for 512 small
// datagrams; the default buffer holds 256), even if the client did not read
// at all while it arrives.
constexpr int kFloodSize = 400;
constexpr std::uint32_t kFloodWaitMs = 2000;

UdpRelay::Options TwentyEachWay()
{
    UdpRelay::Options options;
    options.outboundDelayUs = 20000;
    options.inboundDelayUs = 20000;
    return options;
}

// A proper-looking reply whose originate field misses our transmit
// timestamp in byte 29, so the guess in bytes 30 and 31 can vary freely.
Bytes Forged(const FakeReplyContext& ctx, std::uint16_t guess)
{
    Bytes bytes = FakeSntpServer::MakeReply(ctx, kForgedAhead);
    bytes[29] ^= 0x5A;
    bytes[30] = static_cast<std::uint8_t>(guess >> 8);
    bytes[31] = static_cast<std::uint8_t>(guess);
    return bytes;
}

class ForgedReply : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(server.Port(), 0) << "the fake server could not bind";
        ASSERT_NE(relay.Port(), 0) << "the relay could not start";
        server.SetClockOffset(kServerAhead);
    }

    void TearDown() override
    {
        server.SetSilent(true);
        JoinFlooder();
    }

    void JoinFlooder()
    {
        std::lock_guard<std::mutex> lock(floodMutex);
        if (flooder.joinable())
            flooder.join();
    }

    FakeSntpServer server;
    UdpRelay relay{server.Port(), TwentyEachWay()};
    std::mutex floodMutex;
    std::thread flooder; // sends the forgeries of the flood test
};

TEST_F(ForgedReply, TheTrueReplySurvivesAFloodAndNoForgeryWins)
{
    std::atomic<int> injected{0};
    server.SetScript([&](const FakeReplyContext& ctx) {
        std::lock_guard<std::mutex> lock(floodMutex);
        if (flooder.joinable())
            flooder.join();
        // The flood runs on while the true reply travels the back leg, and after.
        flooder = std::thread([this, &injected, forged = Forged(ctx, 0)]() mutable {
            for (int i = 0; i < kFloodSize; ++i) {
                forged[30] = static_cast<std::uint8_t>(i >> 8);
                forged[31] = static_cast<std::uint8_t>(i);
                injected += relay.InjectToClient(forged.data(), forged.size()) ? 1 : 0;
            }
        });
        return Datagrams{{FakeSntpServer::MakeReply(ctx, kServerAhead), 0}};
    });

    const auto floodOnce = [&](const char* label) {
        injected = 0;
        const PathExchange e = QueryThrough(relay, kFloodWaitMs);
        JoinFlooder();
        EXPECT_EQ(injected, kFloodSize) << label;
        // The true reply survives the burst, and no forgery is taken for it.
        ASSERT_TRUE(e.query.ok) << label << ": error " << e.query.error;
        std::printf("[ figures  ] flood (%s): %s\n", label, e.Describe(kServerAhead).c_str());
        ASSERT_TRUE(e.heldOnce);
        EXPECT_NEAR(e.query.result.ClockOffset, e.PredictedOffset(kServerAhead), 0.001) << label;
    };
    floodOnce("first");
    const long before = ResidentBytes();
    floodOnce("second");
    const long after = ResidentBytes();
    std::printf("[ figures  ] resident set before the second flood %ld KiB, after %ld KiB\n", before / 1024,
                after / 1024);
    EXPECT_GT(before, 0);
    EXPECT_LT(after - before, 4L << 20) << "a flood of forgeries should leave nothing behind";
    EXPECT_EQ(server.RequestCount(), 2);
}

} // namespace
