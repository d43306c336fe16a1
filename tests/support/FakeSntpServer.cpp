#include "FakeSntpServer.h"

#include "ReferenceClock.h"

#include "ByteOrder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {
namespace {
constexpr int kPollIntervalMs = 50;
constexpr std::size_t kLargestDatagram = 65536;

void PutTimestamp(std::uint8_t* out, const NtpTimestamp& ts)
{
    PutBigEndian32(out, ts.Seconds());
    PutBigEndian32(out + 4, ts.Fraction());
}

int BindLoopbackSocket(LoopbackFamily family, int& port, int wanted)
{
    const bool v6 = family == LoopbackFamily::IPv6;
    const int fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // Stamp T2 when the request arrived, not when this thread got round to it.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (v6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&address);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        a->sin6_port = htons(static_cast<std::uint16_t>(wanted));
        length = sizeof(sockaddr_in6);
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&address);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a->sin_port = htons(static_cast<std::uint16_t>(wanted));
        length = sizeof(sockaddr_in);
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                    : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return fd;
}
} // namespace

FakeSntpServer::FakeSntpServer(LoopbackFamily family, int port)
{
    m_socket = BindLoopbackSocket(family, m_port, port);
    if (m_socket >= 0)
        m_thread = std::thread(&FakeSntpServer::Serve, this);
}

FakeSntpServer::~FakeSntpServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        close(m_socket);
}

int FakeSntpServer::Port() const { return m_port; }

void FakeSntpServer::SetClockOffset(double seconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_offset = seconds;
}

void FakeSntpServer::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

void FakeSntpServer::SetScript(Script script)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script = std::move(script);
}

int FakeSntpServer::RequestCount() const { return m_requests.load(); }

std::vector<std::uint8_t> FakeSntpServer::MakeReply(const FakeReplyContext& ctx, double clockOffsetSeconds,
                                                    std::size_t length)
{
    std::vector<std::uint8_t> reply(std::max<std::size_t>(length, 48), 0);
    reply[0] = (0 << 6) | (3 << 3) | 4;
    reply[1] = 2;    // stratum
    reply[2] = 6;    // poll exponent
    reply[3] = 0xEC; // precision 2^-20 s
    PutBigEndian32(&reply[4], 0x00000180);  // root delay ~5.9 ms
    PutBigEndian32(&reply[8], 0x00000240);  // root dispersion ~8.8 ms
    std::memcpy(&reply[12], "FAKE", 4);
    const NtpTimestamp receive = ShiftedBy(ctx.receivedAt, clockOffsetSeconds);
    PutTimestamp(&reply[16], ShiftedBy(receive, -64.0));
    std::memcpy(&reply[24], &ctx.request[40], 8);
    PutTimestamp(&reply[32], receive);
    PutTimestamp(&reply[40], RealClockPlus(clockOffsetSeconds));
    if (reply.size() > 48) {
        std::fill(reply.begin() + 48, reply.end(), std::uint8_t{0xA5});
        if (reply.size() >= 52)
            PutBigEndian32(&reply[48], 1); // key identifier
    }
    reply.resize(length);
    return reply;
}

void FakeSntpServer::Serve()
{
    std::vector<std::uint8_t> buffer(kLargestDatagram);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                return;
        }
        pollfd entry{m_socket, POLLIN, 0};
        if (poll(&entry, 1, kPollIntervalMs) <= 0)
            continue;
        sockaddr_storage peer{};
        iovec io{buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
        msghdr message{};
        message.msg_name = &peer;
        message.msg_namelen = sizeof peer;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(m_socket, &message, MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0)
            continue;
        const socklen_t peerLength = message.msg_namelen;
        FakeReplyContext ctx;
        ctx.receivedAt = ArrivalOf(message);
        ctx.requestLength = static_cast<std::size_t>(n);
        std::memcpy(ctx.request.data(), buffer.data(), std::min({ctx.requestLength, ctx.request.size(), buffer.size()}));
        ctx.whole.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(std::min(ctx.requestLength, buffer.size())));
        m_requests.fetch_add(1);
        Answer(ctx, &peer, peerLength);
    }
}

void FakeSntpServer::Answer(const FakeReplyContext& ctx, const void* peer, unsigned peerLength)
{
    Script script;
    double offset = 0.0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_silent)
            return;
        script = m_script;
        offset = m_offset;
    }
    std::vector<Datagram> datagrams;
    if (script)
        datagrams = script(ctx);
    else
        datagrams.push_back({MakeReply(ctx, offset), 0});

    for (const Datagram& d : datagrams) {
        if (!PauseUnlessStopping(d.delayMs))
            return;
        sendto(m_socket, d.bytes.data(), d.bytes.size(), 0, static_cast<const sockaddr*>(peer),
               static_cast<socklen_t>(peerLength));
    }
}

bool FakeSntpServer::PauseUnlessStopping(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ms > 0)
        m_stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
    return !m_stopping;
}

} // namespace brisvander::testsupport
