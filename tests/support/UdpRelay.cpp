#include "UdpRelay.h"

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {
namespace {
constexpr std::size_t kLargestDatagram = 65536;
constexpr int kDrainLimit = 1024; // per wake-up, so a flood cannot starve the other direction

std::int64_t NanosecondsOf(const timespec& ts) { return std::int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec; }

std::int64_t RealNowNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return NanosecondsOf(now);
}

int BoundLoopbackSocket()
{
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0)
        return -1;
    // The kernel's arrival stamp: a busy relay thread must not shorten the measured hold.
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(s);
        return -1;
    }
    return s;
}

int PortOf(int s)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// The sockets do not block, so a full send buffer (a flood) is waited out here
// rather than turned into a loss nobody asked for.
ssize_t SendWaitingForRoom(int s, const void* bytes, std::size_t length, const sockaddr_in* to)
{
    for (int attempt = 0;; ++attempt) {
        const ssize_t sent = to != nullptr ? sendto(s, bytes, length, 0, reinterpret_cast<const sockaddr*>(to), sizeof *to)
                                           : send(s, bytes, length, 0);
        if (sent >= 0 || (errno != EAGAIN && errno != ENOBUFS) || attempt == 100)
            return sent;
        pollfd entry{s, POLLOUT, 0};
        poll(&entry, 1, 10);
    }
}

std::int64_t ArrivalOf(msghdr& message)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec ts{};
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
            return NanosecondsOf(ts);
        }
    }
    return RealNowNs();
}
} // namespace

UdpRelay::UdpRelay(int serverPort, Options options)
    : m_options(options), m_receiveBuffer(kLargestDatagram), m_random(options.seed)
{
    m_front = BoundLoopbackSocket();
    m_back = BoundLoopbackSocket();
    if (m_front < 0 || m_back < 0 || pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<std::uint16_t>(serverPort));
    if (serverPort < 1 || serverPort > 65535 || connect(m_back, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
        return;
    m_port = PortOf(m_front);
    if (m_port != 0)
        m_thread = std::thread(&UdpRelay::Run, this);
}

UdpRelay::~UdpRelay()
{
    if (m_thread.joinable()) {
        const char stop = 1;
        (void)!write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_front, m_back, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

UdpRelay::Stats UdpRelay::GetStats() const
{
    std::lock_guard lock(m_mutex);
    return m_stats;
}

bool UdpRelay::InjectToClient(const std::uint8_t* bytes, std::size_t length)
{
    sockaddr_in client{};
    {
        std::lock_guard lock(m_mutex);
        if (!m_haveClient)
            return false;
        client = m_client;
    }
    return SendWaitingForRoom(m_front, bytes, length, &client) >= 0;
}

void UdpRelay::Run()
{
    // Timer slack would add up to 50 us to every hold; the delays are meant to be exact.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    for (;;) {
        timespec wait{};
        timespec* timeout = nullptr;
        if (!m_queue.empty()) {
            const std::int64_t left = std::max<std::int64_t>(0, m_queue.top().dueNs - RealNowNs());
            wait.tv_sec = static_cast<time_t>(left / 1000000000);
            wait.tv_nsec = static_cast<long>(left % 1000000000);
            timeout = &wait;
        }
        pollfd fds[3] = {{m_front, POLLIN, 0}, {m_back, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (ppoll(fds, 3, timeout, nullptr) < 0 && errno != EINTR)
            return;
        if (fds[2].revents != 0)
            return;
        if (fds[0].revents & POLLIN)
            Take(m_front, true);
        if (fds[1].revents & (POLLIN | POLLERR))
            Take(m_back, false);
        SendDue();
    }
}

void UdpRelay::Take(int socket, bool outbound)
{
    for (int i = 0; i < kDrainLimit; ++i) {
        sockaddr_in from{};
        iovec io{m_receiveBuffer.data(), m_receiveBuffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(socket, &message, 0);
        if (n < 0) {
            // A refusal by the server's port is reported once; what is queued behind it still counts.
            if (errno == ECONNREFUSED)
                continue;
            return;
        }
        const std::int64_t arrived = ArrivalOf(message);
        if (outbound) {
            std::lock_guard lock(m_mutex);
            m_client = from;
            m_haveClient = true;
        }
        std::int64_t delayNs = std::int64_t{outbound ? m_options.outboundDelayUs : m_options.inboundDelayUs} * 1000;
        if (m_options.jitterUs > 0)
            delayNs += static_cast<std::int64_t>(
                std::exponential_distribution<double>(1.0 / (m_options.jitterUs * 1000.0))(m_random));
        m_queue.push(Pending{arrived + delayNs, arrived, m_sequence++, outbound,
                             std::vector<std::uint8_t>(m_receiveBuffer.begin(), m_receiveBuffer.begin() + n)});
    }
}

void UdpRelay::SendDue()
{
    while (!m_queue.empty() && m_queue.top().dueNs <= RealNowNs()) {
        Forward(m_queue.top());
        m_queue.pop();
    }
}

void UdpRelay::Forward(const Pending& item)
{
    sockaddr_in client{};
    const std::int64_t sendingAt = RealNowNs();
    {
        // Recorded before the send, so a test that has its reply also finds its hold.
        std::lock_guard lock(m_mutex);
        if (!item.outbound && !m_haveClient)
            return;
        client = m_client;
        const double heldUs = static_cast<double>(sendingAt - item.arrivedNs) / 1000.0;
        if (item.outbound) {
            ++m_stats.forwardedOut;
            m_stats.outboundHoldUs.push_back(heldUs);
        } else {
            ++m_stats.forwardedIn;
            m_stats.inboundHoldUs.push_back(heldUs);
        }
    }
    const ssize_t sent = SendWaitingForRoom(item.outbound ? m_back : m_front, item.bytes.data(), item.bytes.size(),
                                            item.outbound ? nullptr : &client);
    if (sent >= 0)
        return;
    std::lock_guard lock(m_mutex);
    ++m_stats.sendFailures;
    if (item.outbound) {
        --m_stats.forwardedOut;
        m_stats.outboundHoldUs.pop_back();
    } else {
        --m_stats.forwardedIn;
        m_stats.inboundHoldUs.pop_back();
    }
}

} // namespace brisvander::testsupport
