#pragma once
// A delay line on loopback: datagrams from a client are forwarded to a
// server after a set delay, replies come back after another, and each may
// wait a random extra time (jitter). It stands in for a network path with
// latency, asymmetry and queueing, which loopback lacks.
//
// Hold times are measured on the real clock from the kernel's arrival stamp
// to the moment of sending, the same clock the client's four timestamps use,
// so a test can predict delay and offset from what the relay really did.
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <queue>
#include <random>
#include <thread>
#include <vector>

namespace brisvander::testsupport {

class UdpRelay {
public:
    struct Options {
        int outboundDelayUs = 0; // client -> server
        int inboundDelayUs = 0;  // server -> client
        // Each datagram in either direction waits a further random time
        // drawn from the seeded generator: exponentially distributed with
        // this mean, as the wait in a queue that is mostly short and now and
        // then long. A later datagram may overtake an earlier one.
        int jitterUs = 0;
        unsigned seed = 1;
    };
    // Measured by the relay itself: how long it really held each datagram.
    struct Stats {
        int forwardedOut = 0;
        int forwardedIn = 0;
        int sendFailures = 0;
        std::vector<double> outboundHoldUs;
        std::vector<double> inboundHoldUs;
    };

    UdpRelay(int serverPort, Options options); // listens on 127.0.0.1, a free port
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    int Port() const { return m_port; } // 0 when it could not start
    Stats GetStats() const;

    // Sends a datagram to the last client from the relay's own address, the
    // server's address as the client sees it: what a forger on the path can do.
    // False when no client has been seen yet or the send failed.
    bool InjectToClient(const std::uint8_t* bytes, std::size_t length);

private:
    struct Pending {
        std::int64_t dueNs = 0;
        std::int64_t arrivedNs = 0;
        std::uint64_t sequence = 0; // keeps datagrams due at the same moment in order
        bool outbound = true;
        std::vector<std::uint8_t> bytes;
        bool operator>(const Pending& other) const
        {
            return dueNs != other.dueNs ? dueNs > other.dueNs : sequence > other.sequence;
        }
    };

    void Run();
    void Take(int socket, bool outbound);
    void SendDue();
    void Forward(const Pending& item);

    Options m_options;
    int m_front = -1; // faces the client
    int m_back = -1;  // connected to the server
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::vector<std::uint8_t> m_receiveBuffer;
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> m_queue;
    std::uint64_t m_sequence = 0;
    std::mt19937 m_random;
    mutable std::mutex m_mutex;           // guards the two below
    sockaddr_in m_client{};               // the last client
    bool m_haveClient = false;
    Stats m_stats;
    std::thread m_thread;
};

} // namespace brisvander::testsupport
