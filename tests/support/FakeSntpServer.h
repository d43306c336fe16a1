#pragma once
// A scriptable SNTP server on 127.0.0.1 or ::1 for driving the real client. By
// default it answers every request correctly with its clock a chosen offset
// ahead of the real one; a script can send anything instead.
#include "HostileReply.h"
#include "NtpTimestamp.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brisvander::testsupport {

struct FakeReplyContext {
    std::array<std::uint8_t, 48> request{}; // the first 48 bytes, zero-padded
    std::size_t requestLength = 0;          // the request datagram's true length
    std::vector<std::uint8_t> whole;        // the whole request, fields after the header included
    NtpTimestamp receivedAt;                // real clock when the request arrived (kernel stamp if any)
};

enum class LoopbackFamily { IPv4, IPv6 };

class FakeSntpServer {
public:
    // Binds 127.0.0.1 (or ::1) on `port`, 0 for a free one; serves on its own thread.
    explicit FakeSntpServer(LoopbackFamily family = LoopbackFamily::IPv4, int port = 0);
    ~FakeSntpServer(); // stops and joins the thread
    FakeSntpServer(const FakeSntpServer&) = delete;
    FakeSntpServer& operator=(const FakeSntpServer&) = delete;

    int Port() const; // 0 when the socket could not be bound
    void SetClockOffset(double seconds);
    void SetSilent(bool silent);

    // Sent in order; each waits delayMs after the previous one (or the request).
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        int delayMs = 0;
    };
    using Script = std::function<std::vector<Datagram>(const FakeReplyContext&)>;
    void SetScript(Script script); // an empty script restores the default replies
    int RequestCount() const;

    // Hostile mode: every request is answered as `how` says. With a
    // follow-up delay of 0 or more, a proper reply marked with
    // FollowUpStratum comes that many ms later, so a test can tell whether
    // the client took the hostile datagram or passed it over.
    void SetHostile(const HostileReply& how, int followUpDelayMs = -1);
    static constexpr int FollowUpStratum = 11;
    static std::vector<Datagram> MakeHostile(const FakeReplyContext& ctx, double clockOffsetSeconds,
                                             const HostileReply& how);

    // A good reply to ctx.request: LI 0, version 3, mode 4, stratum 2, small
    // root delay and dispersion, originate = the request's transmit timestamp,
    // receive = ctx.receivedAt + offset, transmit = real clock now + offset.
    // Bytes past 48 hold an authenticator (key id 1, digest 0xA5...).
    static std::vector<std::uint8_t> MakeReply(const FakeReplyContext& ctx, double clockOffsetSeconds,
                                               std::size_t length = 48);

private:
    void Serve();
    void Answer(const FakeReplyContext& ctx, const void* peer, unsigned peerLength);
    bool PauseUnlessStopping(int ms);

    int m_socket = -1;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
    double m_offset = 0.0;
    bool m_silent = false;
    Script m_script;
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

// A 127.0.0.1 UDP port with nothing listening (sending there gives ICMP unreachable).
int ClosedUdpPort();

} // namespace brisvander::testsupport
