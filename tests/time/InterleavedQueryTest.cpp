// Interleaved mode through the real query: against a scripted server that
// keeps the precise transmit stamp of each answer, and against chronyd.
#include "ChronydFixture.h"
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LastError.h"
#include "RecordingClockControl.h"
#include "ReferenceClock.h"
#include "SntpClient.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Datagrams = std::vector<FakeSntpServer::Datagram>;

// The precise stamp kept of an answer: a microsecond after the one written
// in it, so the test can tell which one the client used.
constexpr double kPreciseShift = 1e-6;

NtpTimestamp Field(const std::vector<std::uint8_t>& bytes, std::size_t at) { return NtpTimestamp::FromNetworkOrder(&bytes[at]); }

// A server that answers basic to the first `basicAnswers` requests and then
// interleaved wherever the origin names one of its answers; `spoil` sends an
// answer with an origin of neither kind before each interleaved one.
class InterleavingServer {
public:
    int basicAnswers = 1;
    bool spoil = false;

    explicit InterleavingServer(FakeSntpServer& server)
    {
        server.SetScript([this](const FakeReplyContext& ctx) { return Answer(ctx); });
    }
    std::vector<std::vector<std::uint8_t>> Requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }
    NtpTimestamp PreciseOf(const NtpTimestamp& receive) const
    {
        const std::lock_guard lock(m_mutex);
        return m_precise.at(receive.Value());
    }

private:
    Datagrams Answer(const FakeReplyContext& ctx)
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back(ctx.whole);
        std::vector<std::uint8_t> reply = FakeSntpServer::MakeReply(ctx, 0.0);
        m_precise[Field(reply, 32).Value()] = ShiftedBy(Field(reply, 40), kPreciseShift);
        const NtpTimestamp origin = Field(ctx.whole, 24);
        const auto kept = m_precise.find(origin.Value());
        Datagrams out;
        if (m_requests.size() > static_cast<std::size_t>(basicAnswers) && kept != m_precise.end()) {
            std::copy_n(&ctx.whole[32], 8, &reply[24]);
            NtpTimestamp(kept->second).ToNetworkOrder(&reply[40]);
            if (spoil) {
                std::vector<std::uint8_t> stray = reply;
                ShiftedBy(origin, 1e-3).ToNetworkOrder(&stray[24]);
                stray[1] = 9;
                out.push_back({stray, 0});
            }
        }
        out.push_back({reply, spoil ? 20 : 0});
        return out;
    }

    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_requests;
    std::map<std::uint64_t, NtpTimestamp> m_precise;
};

class InterleavedQuery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0); }
    SntpResult Query(SntpClient& client)
    {
        SntpResult result;
        EXPECT_TRUE(client.QueryServer("127.0.0.1", result, server.Port())) << GetLastError();
        return result;
    }
    FakeSntpServer server;
    RecordingClockControl clock;
};

TEST_F(InterleavedQuery, WithoutTheModeTheRequestStaysThePlainOne)
{
    InterleavingServer script(server);
    SntpClient client(clock);
    Query(client);
    Query(client);
    for (const auto& request : script.Requests()) {
        EXPECT_EQ(request[0], NtpRequestFirstByte);
        EXPECT_EQ(Field(request, 24).Value(), 0u);
        EXPECT_EQ(Field(request, 32).Value(), 0u);
    }
}

TEST_F(InterleavedQuery, ABasicServerIsUsedAsItAnswers)
{
    InterleavingServer script(server);
    script.basicAnswers = 100;
    SntpClient client(clock);
    client.Interleaving.emplace();
    const SntpResult first = Query(client);
    const SntpResult second = Query(client);
    EXPECT_FALSE(first.Interleaved);
    EXPECT_FALSE(second.Interleaved);
    const auto requests = script.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0][0], NtpV4RequestFirstByte);
    EXPECT_EQ(Field(requests[0], 24).Value(), 0u);
    // The second asks for an interleaved answer, naming the first answer's T2 and its arrival.
    EXPECT_EQ(Field(requests[1], 24), first.ReceiveTimestamp);
    EXPECT_EQ(Field(requests[1], 32), first.DestinationTimestamp);
    EXPECT_NEAR(second.ClockOffset, 0.0, 0.02);
}

TEST_F(InterleavedQuery, TheFirstInterleavedAnswerIsFollowedAtOnceAndTheNextCompletesItsExchange)
{
    InterleavingServer script(server);
    script.basicAnswers = 2; // as chrony: a new client's third answer is the earliest interleaved one
    SntpClient client(clock);
    client.Interleaving.emplace();
    EXPECT_FALSE(Query(client).Interleaved);
    EXPECT_FALSE(Query(client).Interleaved);
    const SntpResult third = Query(client);
    auto requests = script.Requests();
    ASSERT_EQ(requests.size(), 4u) << "the first interleaved answer was used";
    ASSERT_TRUE(third.Interleaved);
    // It completes the exchange of the third request, by its precise stamp.
    const NtpTimestamp thirdReceive = Field(requests[3], 24);
    EXPECT_EQ(third.ReceiveTimestamp, thirdReceive);
    EXPECT_EQ(third.TransmitTimestamp, script.PreciseOf(thirdReceive));
    EXPECT_NEAR(third.ClockOffset, 0.0, 0.02);

    // From then on one request per exchange.
    EXPECT_TRUE(Query(client).Interleaved);
    EXPECT_EQ(script.Requests().size(), 5u);
}

TEST_F(InterleavedQuery, AnAnswerWhoseOriginMatchesNeitherIsPassedOver)
{
    InterleavingServer script(server);
    script.spoil = true;
    SntpClient client(clock);
    client.Interleaving.emplace();
    Query(client);
    const SntpResult second = Query(client);
    EXPECT_TRUE(second.Interleaved);
    EXPECT_EQ(second.Stratum, 2) << "the stray answer was taken";
}

using ChronydInterleaved = ChronydSuite<>;

TEST_F(ChronydInterleaved, AnswersInterleavedFromTheThirdExchangeAndAgreesWithItsOwnClock)
{
    RecordingClockControl clock;
    SntpClient client(clock);
    client.Interleaving.emplace();
    int interleaved = 0;
    for (int i = 0; i < 5; ++i) {
        SntpResult result;
        ASSERT_TRUE(client.QueryServer("127.0.0.1", result, s_chronyd->Port())) << GetLastError();
        interleaved += result.Interleaved ? 1 : 0;
        EXPECT_NEAR(result.ClockOffset, 0.0, 0.001);
        EXPECT_GT(result.RoundtripDelay, -1e-6);
    }
    EXPECT_GE(interleaved, 3);
}

} // namespace
