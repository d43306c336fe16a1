// The delay line itself: it keeps order, never forwards early, drops the
// share it is told to, and its measured holds match what a client sees.
#include "FakeSntpServer.h"
#include "UdpRelay.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using testsupport::FakeReplyContext;
using testsupport::FakeSntpServer;
using testsupport::UdpRelay;
using Clock = std::chrono::steady_clock;

class RawClient {
public:
    explicit RawClient(int port)
    {
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        connect(m_socket, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    ~RawClient() { close(m_socket); }
    void Send(std::uint8_t tag) { send(m_socket, &tag, 1, 0); }
    // The first byte of the next datagram, or -1 after timeoutMs.
    int Receive(int timeoutMs)
    {
        pollfd entry{m_socket, POLLIN, 0};
        if (poll(&entry, 1, timeoutMs) <= 0)
            return -1;
        std::uint8_t byte = 0;
        return recv(m_socket, &byte, 1, 0) == 1 ? byte : -1;
    }

private:
    int m_socket = -1;
};

TEST(UdpRelay, ForwardsInOrderAfterTheDelaysAndReportsTheHolds)
{
    FakeSntpServer echo;
    ASSERT_NE(echo.Port(), 0);
    echo.SetScript([](const FakeReplyContext& ctx) {
        return std::vector<FakeSntpServer::Datagram>{{{ctx.request[0]}, 0}};
    });
    UdpRelay::Options options;
    options.outboundDelayUs = 15000;
    options.inboundDelayUs = 5000;
    UdpRelay relay(echo.Port(), options);
    ASSERT_NE(relay.Port(), 0);

    RawClient client(relay.Port());
    const Clock::time_point start = Clock::now();
    for (std::uint8_t tag = 1; tag <= 20; ++tag)
        client.Send(tag);
    for (int tag = 1; tag <= 20; ++tag) {
        ASSERT_EQ(client.Receive(2000), tag);
        if (tag == 1) {
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(20));
        }
    }
    const UdpRelay::Stats stats = relay.GetStats();
    EXPECT_EQ(stats.forwardedOut, 20);
    EXPECT_EQ(stats.forwardedIn, 20);
    EXPECT_EQ(stats.dropped, 0);
    for (double held : stats.outboundHoldUs)
        EXPECT_GE(held, 15000.0);
    for (double held : stats.inboundHoldUs)
        EXPECT_GE(held, 5000.0);
}

TEST(UdpRelay, DropsAboutTheShareItIsTold)
{
    FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    server.SetSilent(true);
    UdpRelay::Options options;
    options.lossRate = 0.5;
    options.seed = 7;
    UdpRelay relay(server.Port(), options);
    ASSERT_NE(relay.Port(), 0);

    RawClient client(relay.Port());
    for (int i = 0; i < 400; ++i) {
        client.Send(static_cast<std::uint8_t>(i));
        usleep(200); // paced, so the relay's socket buffer never overflows
    }
    UdpRelay::Stats stats;
    for (int wait = 0; wait < 200 && stats.dropped + stats.forwardedOut < 400; ++wait) {
        usleep(10000);
        stats = relay.GetStats();
    }
    EXPECT_EQ(stats.dropped + stats.forwardedOut, 400);
    EXPECT_GT(stats.dropped, 140);
    EXPECT_LT(stats.dropped, 260);
}

} // namespace
