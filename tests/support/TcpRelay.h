#pragma once
// A TCP forwarder on loopback that counts the connections it is asked for:
// put between a client and a server, it shows whether the client connected
// at all. It forwards one connection at a time, bytes unchanged both ways
// (TLS passes through), on a thread of its own.
#include <atomic>
#include <thread>

namespace brisvander::testsupport {

class TcpRelay {
public:
    // Listens on a kernel-chosen 127.0.0.1 port and forwards to 127.0.0.1:`targetPort`.
    explicit TcpRelay(int targetPort);
    ~TcpRelay(); // stops; the port refuses connections afterwards
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    int Port() const { return m_port; } // 0 when it could not listen
    int Connections() const { return m_connections.load(); }

private:
    void Serve();
    void Forward(int client);

    int m_listener = -1;
    int m_port = 0;
    int m_target = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

} // namespace brisvander::testsupport
