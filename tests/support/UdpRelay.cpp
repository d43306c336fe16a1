#include "UdpRelay.h"

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {
namespace {
int BoundLoopbackSocket()
{
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0)
        return -1;
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

double MicrosecondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}
} // namespace

UdpRelay::UdpRelay(int serverPort, Options options) : m_options(options), m_random(options.seed)
{
    m_front = BoundLoopbackSocket();
    m_back = BoundLoopbackSocket();
    if (m_front < 0 || m_back < 0 || pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<std::uint16_t>(serverPort));
    if (connect(m_back, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
        return;
    m_port = PortOf(m_front);
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

void UdpRelay::Run()
{
    for (;;) {
        int timeoutMs = -1;
        if (!m_queue.empty()) {
            const auto left = m_queue.top().due - Clock::now();
            // Wake a little early and finish the wait by spinning: poll alone is too coarse.
            timeoutMs = std::max<int>(0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) - 1);
        }
        pollfd fds[3] = {{m_front, POLLIN, 0}, {m_back, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = poll(fds, 3, timeoutMs);
        if (ready < 0 && errno != EINTR)
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
    // Drain everything waiting; a flood must not starve the other direction.
    for (int i = 0; i < 1024; ++i) {
        std::uint8_t buffer[2048];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = recvfrom(socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            return;
        const Clock::time_point now = Clock::now();
        if (outbound) {
            const auto* raw = reinterpret_cast<const std::uint8_t*>(&from);
            m_client.assign(raw, raw + fromLength);
        }
        if (m_options.lossRate > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < m_options.lossRate) {
            std::lock_guard lock(m_mutex);
            ++m_stats.dropped;
            continue;
        }
        const int delayUs = outbound ? m_options.outboundDelayUs : m_options.inboundDelayUs;
        m_queue.push(Pending{now + std::chrono::microseconds(delayUs), now, outbound,
                             std::vector<std::uint8_t>(buffer, buffer + n)});
    }
}

void UdpRelay::SendDue()
{
    while (!m_queue.empty()) {
        const Clock::time_point due = m_queue.top().due;
        Clock::time_point now = Clock::now();
        if (due - now > std::chrono::milliseconds(1))
            return;
        while (now < due)
            now = Clock::now();
        const Pending item = m_queue.top();
        m_queue.pop();
        if (item.outbound) {
            send(m_back, item.bytes.data(), item.bytes.size(), 0);
        } else if (!m_client.empty()) {
            sendto(m_front, item.bytes.data(), item.bytes.size(), 0, reinterpret_cast<const sockaddr*>(m_client.data()),
                   static_cast<socklen_t>(m_client.size()));
        }
        const double heldUs = MicrosecondsBetween(item.received, Clock::now());
        std::lock_guard lock(m_mutex);
        if (item.outbound) {
            ++m_stats.forwardedOut;
            m_stats.outboundHoldUs.push_back(heldUs);
        } else {
            ++m_stats.forwardedIn;
            m_stats.inboundHoldUs.push_back(heldUs);
        }
    }
}

} // namespace testsupport
