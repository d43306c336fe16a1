#include "LoopbackPorts.h"

#include "FakeSntpServer.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::testsupport {

namespace {
sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

int FreeLoopbackPort(int type)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}
} // namespace

int FreeLoopbackUdpPort() { return FreeLoopbackPort(SOCK_DGRAM); }

int FreeLoopbackTcpPort() { return FreeLoopbackPort(SOCK_STREAM); }

bool LoopbackTcpPortAccepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in address = Loopback(port);
    const bool accepted = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return accepted;
}

// The kernel picks ephemeral ports at random, so a port just released is
// unlikely to be taken again before the caller has used it.
int ClosedUdpPort() { return FreeLoopbackUdpPort(); }

} // namespace brisvander::testsupport
