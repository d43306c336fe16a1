#include "SntpProbe.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {
namespace {
class Socket {
public:
    Socket() : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~Socket()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
} // namespace

bool ProbeSntpServer(int port, int timeoutMs)
{
    Socket s;
    if (s.Fd() < 0)
        return false;
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    if (connect(s.Fd(), reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
        return false;

    std::uint8_t request[48] = {0x1B};
    // Any unique transmit stamp will do for matching the echo.
    const std::uint8_t marker[8] = {0xDE, 0xC0, 0xAD, 0xDE, 0x12, 0x34, 0x56, 0x78};
    std::memcpy(request + 40, marker, sizeof marker);
    if (send(s.Fd(), request, sizeof request, 0) != static_cast<ssize_t>(sizeof request))
        return false;

    pollfd entry{s.Fd(), POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) != 1)
        return false;
    std::uint8_t reply[68] = {};
    const ssize_t n = recv(s.Fd(), reply, sizeof reply, 0);
    if (n < 48)
        return false;
    const int leap = reply[0] >> 6;
    const int mode = reply[0] & 7;
    const int stratum = reply[1];
    return mode == 4 && leap != 3 && stratum >= 1 && stratum <= 15 &&
           std::memcmp(reply + 24, marker, sizeof marker) == 0;
}

} // namespace brisvander::testsupport
