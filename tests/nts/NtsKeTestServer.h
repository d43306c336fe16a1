#pragma once
// A scriptable NTS key exchange server on 127.0.0.1 in a thread of the test:
// a real OpenSSL TLS server that answers one connection as told, and records
// what it saw, the keys it exported included.
#include "NtsBytes.h"
#include "TestCertificates.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace brisvander::ntstest {

struct NtsKeServerScript {
    ServerCredentials Credentials;
    // ALPN protocol the server supports; it picks it only when the client offers it.
    std::string Alpn = "ntske/1";
    bool RejectUnknownAlpn = false; // true: a fatal alert instead of going on without ALPN
    bool Tls12Only = false;
    bool StallBeforeHandshake = false; // accept the connection, then say nothing
    bool StallBeforeResponse = false;  // finish the handshake and read the request, then say nothing
    Bytes Response;                    // sent once the request is in; then the server closes
    int Connections = 1;               // served one after another, each as above
};

// What the server saw of the one connection.
struct NtsKeServerLog {
    bool HandshakeDone = false;
    std::string ServerName; // SNI, empty when none came
    Bytes Request;          // up to and including End of Message
    Bytes ClientToServerKey;
    Bytes ServerToClientKey;
    std::string Problem;    // first thing that went wrong on the server's side
};

class NtsKeTestServer {
public:
    NtsKeTestServer() = default;
    ~NtsKeTestServer(); // stops and joins
    NtsKeTestServer(const NtsKeTestServer&) = delete;
    NtsKeTestServer& operator=(const NtsKeTestServer&) = delete;

    // Listens on a kernel-chosen 127.0.0.1 port; false with a reason when it cannot.
    bool Start(NtsKeServerScript script, std::string& whyNot);
    int Port() const { return m_port; }
    // Waits for the connections to end (or the server to give up) and returns the last one's log.
    const NtsKeServerLog& Finish();
    // Connections accepted so far; any thread.
    int ConnectionsAccepted() const { return m_accepted.load(); }
    // The server-to-client key of the last connection whose handshake is done
    // (empty before): what an NTP server of the test seals its replies with.
    Bytes LatestServerToClientKey() const;

private:
    void Serve();
    void ServeConnection(int fd, NtsKeServerLog& log);
    bool Stopping() const { return m_stop.load(); }

    NtsKeServerScript m_script;
    NtsKeServerLog m_log;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    mutable std::mutex m_keyMutex;
    Bytes m_latestKey; // under m_keyMutex
    std::thread m_thread;
};

// Response records for scripts: type (with the critical bit where wanted) and body.
void AppendRecord(Bytes& message, std::uint16_t type, const Bytes& body);
Bytes U16(std::uint16_t value);

} // namespace brisvander::ntstest
