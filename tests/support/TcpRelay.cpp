#include "TcpRelay.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {

namespace {
constexpr int kSliceMs = 50;

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// Moves what `from` has to `to`; false when `from` ended or either failed.
bool Pass(int from, int to)
{
    char buffer[16384];
    const ssize_t got = recv(from, buffer, sizeof buffer, 0);
    if (got <= 0)
        return false;
    for (ssize_t sent = 0; sent < got;) {
        const ssize_t n = send(to, buffer + sent, static_cast<std::size_t>(got - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}
} // namespace

TcpRelay::TcpRelay(int targetPort) : m_target(targetPort)
{
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 4) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

TcpRelay::~TcpRelay()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        close(m_listener);
}

void TcpRelay::Serve()
{
    while (!m_stop.load()) {
        pollfd entry{m_listener, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++m_connections;
        Forward(client);
        close(client);
    }
}

void TcpRelay::Forward(int client)
{
    const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = Loopback(m_target);
    if (server < 0 || connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (server >= 0)
            close(server);
        return;
    }
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    bool open = true;
    while (open && !m_stop.load()) {
        if (poll(ends, 2, kSliceMs) <= 0)
            continue;
        if (ends[0].revents != 0)
            open = Pass(client, server);
        if (open && ends[1].revents != 0)
            open = Pass(server, client);
    }
    close(server);
}

} // namespace brisvander::testsupport
