#pragma once
// A delay line on loopback: datagrams from a client are forwarded to a
// server after a set delay, replies come back after another, and a set share
// of datagrams in either direction is dropped. It stands in for a network
// path with latency, asymmetry and loss, which loopback lacks.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <queue>
#include <random>
#include <thread>
#include <vector>

namespace testsupport {

class UdpRelay {
public:
    struct Options {
        int outboundDelayUs = 0; // client -> server
        int inboundDelayUs = 0;  // server -> client
        double lossRate = 0.0;   // 0..1, each datagram in either direction
        unsigned seed = 1;
    };
    // Measured by the relay itself: how long it really held each datagram.
    struct Stats {
        int forwardedOut = 0;
        int forwardedIn = 0;
        int dropped = 0;
        std::vector<double> outboundHoldUs;
        std::vector<double> inboundHoldUs;
    };

    UdpRelay(int serverPort, Options options); // listens on 127.0.0.1, a free port
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    int Port() const { return m_port; } // 0 when it could not start
    Stats GetStats() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point due;
        Clock::time_point received;
        bool outbound = true;
        std::vector<std::uint8_t> bytes;
        bool operator>(const Pending& other) const { return due > other.due; }
    };

    void Run();
    void Take(int socket, bool outbound);
    void SendDue();

    Options m_options;
    int m_front = -1; // faces the client
    int m_back = -1;  // connected to the server
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::vector<std::uint8_t> m_client; // sockaddr of the last client
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> m_queue;
    std::mt19937 m_random;
    mutable std::mutex m_mutex;
    Stats m_stats;
    std::thread m_thread;
};

} // namespace testsupport
