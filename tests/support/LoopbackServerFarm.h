#pragma once
// Many SNTP servers in one thread: each on its own loopback address
// (127.0.0.0/8), all on one UDP port, each with its own holding time, clock
// offset and manner. For the survey's tests and its benchmark.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace brisvander::testsupport {

struct FarmServer {
    enum class Manner {
        Answer,   // a proper reply
        Silent,   // reads the request, never answers
        Closed,   // nothing bound: the port is closed (ICMP port unreachable)
        KissRate, // a Kiss-o'-Death RATE
        KissDeny, // a Kiss-o'-Death DENY
    };
    std::string Address;          // dotted IPv4 in 127.0.0.0/8
    int HoldMs = 0;               // from a request's arrival to the reply
    double OffsetSeconds = 0.0;   // how far its clock is ahead of the real one
    Manner How = Manner::Answer;
};

class LoopbackServerFarm {
public:
    // Binds every server but the closed ones on one free port and serves
    // them on a thread of its own.
    explicit LoopbackServerFarm(std::vector<FarmServer> servers);
    ~LoopbackServerFarm(); // stops and joins the thread
    LoopbackServerFarm(const LoopbackServerFarm&) = delete;
    LoopbackServerFarm& operator=(const LoopbackServerFarm&) = delete;

    int Port() const { return m_port; } // 0 when the sockets could not be bound
    // Requests server `index` has read so far.
    int RequestCount(std::size_t index) const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace brisvander::testsupport
