#include "LoopbackServerFarm.h"

#include "FakeSntpServer.h"
#include "ReferenceClock.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <queue>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {

namespace {
using Clock = std::chrono::steady_clock;

struct PendingReply {
    Clock::time_point Due;
    std::size_t Server = 0;
    FakeReplyContext Context;
    sockaddr_storage Peer{};
    socklen_t PeerLength = 0;
    bool operator>(const PendingReply& other) const { return Due > other.Due; }
};

int BindOn(const std::string& address, int port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int BoundPort(int fd)
{
    sockaddr_in a{};
    socklen_t length = sizeof a;
    return getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0 ? ntohs(a.sin_port) : 0;
}
} // namespace

struct LoopbackServerFarm::State {
    std::vector<FarmServer> Servers;
    std::vector<int> Sockets; // -1 for a closed server
    std::vector<std::atomic<int>> Requests;
    std::atomic<bool> Stopping{false};
    std::priority_queue<PendingReply, std::vector<PendingReply>, std::greater<>> Pending;

    explicit State(std::vector<FarmServer> servers) : Servers(std::move(servers)), Requests(Servers.size()) {}
    ~State()
    {
        for (const int fd : Sockets)
            if (fd >= 0)
                close(fd);
    }

    bool BindAll(int port)
    {
        for (const FarmServer& server : Servers) {
            if (server.How == FarmServer::Manner::Closed) {
                Sockets.push_back(-1);
                continue;
            }
            Sockets.push_back(BindOn(server.Address, port));
            if (Sockets.back() < 0)
                return false;
            port = BoundPort(Sockets.back());
        }
        return true;
    }

    void Read(std::size_t index)
    {
        for (;;) {
            PendingReply reply;
            std::uint8_t buffer[512];
            iovec io{buffer, sizeof buffer};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
            msghdr message{};
            message.msg_name = &reply.Peer;
            message.msg_namelen = sizeof reply.Peer;
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = recvmsg(Sockets[index], &message, MSG_DONTWAIT);
            if (n < 0)
                return;
            Requests[index].fetch_add(1);
            if (Servers[index].How == FarmServer::Manner::Silent)
                continue;
            reply.PeerLength = message.msg_namelen;
            reply.Server = index;
            reply.Context.receivedAt = ArrivalOf(message);
            reply.Context.requestLength = static_cast<std::size_t>(n);
            std::memcpy(reply.Context.request.data(), buffer, std::min<std::size_t>(n, reply.Context.request.size()));
            reply.Due = Clock::now() + std::chrono::milliseconds(Servers[index].HoldMs);
            Pending.push(reply);
        }
    }

    void Answer(const PendingReply& pending)
    {
        const FarmServer& server = Servers[pending.Server];
        std::vector<std::uint8_t> bytes;
        if (server.How == FarmServer::Manner::Answer) {
            bytes = FakeSntpServer::MakeReply(pending.Context, server.OffsetSeconds);
        } else {
            HostileReply kiss{HostileReply::Kind::KissOfDeath, 0,
                              server.How == FarmServer::Manner::KissRate ? "RATE" : "DENY"};
            bytes = FakeSntpServer::MakeHostile(pending.Context, server.OffsetSeconds, kiss).front().bytes;
        }
        sendto(Sockets[pending.Server], bytes.data(), bytes.size(), 0,
               reinterpret_cast<const sockaddr*>(&pending.Peer), pending.PeerLength);
    }

    void Serve()
    {
        std::vector<pollfd> entries;
        for (const int fd : Sockets)
            entries.push_back({fd, POLLIN, 0});
        while (!Stopping.load()) {
            while (!Pending.empty() && Pending.top().Due <= Clock::now()) {
                Answer(Pending.top());
                Pending.pop();
            }
            int timeout = 50;
            if (!Pending.empty()) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(Pending.top().Due - Clock::now());
                timeout = std::clamp(static_cast<int>(left.count()), 0, timeout);
            }
            if (poll(entries.data(), entries.size(), timeout) <= 0)
                continue;
            for (std::size_t i = 0; i < entries.size(); ++i)
                if ((entries[i].revents & POLLIN) != 0)
                    Read(i);
        }
    }
};

LoopbackServerFarm::LoopbackServerFarm(std::vector<FarmServer> servers)
{
    // Another program may hold the port on one of the addresses: try a few.
    for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
        auto state = std::make_shared<State>(servers);
        if (state->BindAll(0)) {
            for (const int fd : state->Sockets)
                if (fd >= 0)
                    m_port = BoundPort(fd);
            m_state = std::move(state);
        }
    }
    if (m_state)
        m_thread = std::thread([state = m_state] { state->Serve(); });
}

LoopbackServerFarm::~LoopbackServerFarm()
{
    if (m_state)
        m_state->Stopping.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

int LoopbackServerFarm::RequestCount(std::size_t index) const
{
    return m_state && index < m_state->Requests.size() ? m_state->Requests[index].load() : 0;
}

} // namespace brisvander::testsupport
