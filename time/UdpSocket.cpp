#include "UdpSocket.h"

#include "ErrorCodes.h"
#include "LastError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <linux/errqueue.h>
#include <linux/net_tstamp.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace brisvander {

namespace {
BOOL FailWithErrno()
{
    SetLastError(ErrorFromErrno(errno));
    return false;
}

BOOL ResolveIPv4(const char* host, in_addr& address)
{
    if (inet_aton(host, &address) != 0)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host, nullptr, &hints, &found);
    if (rc != 0 || found == nullptr) {
        SetLastError(rc != 0 ? ErrorFromResolver(rc, errno) : ErrorCode::NoData);
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

// The software stamp of a received message's control data, if it has one.
bool KernelStamp(msghdr& message, NtpTimestamp& stamp)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET)
            continue;
        timespec ts{};
        if (c->cmsg_type == SCM_TIMESTAMPING) {
            scm_timestamping stamps{};
            std::memcpy(&stamps, CMSG_DATA(c), sizeof stamps);
            ts = stamps.ts[0];
        } else if (c->cmsg_type == SCM_TIMESTAMPNS) {
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
        } else {
            continue;
        }
        if (ts.tv_sec == 0 && ts.tv_nsec == 0)
            continue;
        stamp = NtpTimestamp::FromTimespec(ts);
        return true;
    }
    return false;
}
} // namespace

UdpSocket::~UdpSocket() { Close(); }

BOOL UdpSocket::Create()
{
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return FailWithErrno();
    // The kernel's stamps of departure and arrival are truer than clock
    // readings around send and the wait; without them the caller reads the clock.
    const int flags = SOF_TIMESTAMPING_TX_SOFTWARE | SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE |
                      SOF_TIMESTAMPING_OPT_TSONLY;
    if (setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPING, &flags, sizeof flags) != 0) {
        const int on = 1;
        setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    }
    return true;
}

BOOL UdpSocket::Connect(const char* host, int port)
{
    // A port outside 1-65535 would wrap to another one when cut to 16 bits.
    if (port < 1 || port > 65535) {
        SetLastError(ErrorFromErrno(EADDRNOTAVAIL));
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (host == nullptr || !ResolveIPv4(host, address.sin_addr)) {
        if (host == nullptr)
            SetLastError(ErrorCode::HostNotFound);
        return false;
    }
    return Connect(reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

BOOL UdpSocket::Connect(const sockaddr* address, socklen_t length)
{
    if (connect(m_socket, address, length) != 0)
        return FailWithErrno();
    return true;
}

BOOL UdpSocket::Send(const void* buffer, std::size_t length)
{
    if (send(m_socket, buffer, length, 0) < 0)
        return FailWithErrno();
    return true;
}

UdpSocket::Datagram UdpSocket::ReceiveStamped(void* buffer, std::size_t capacity)
{
    Datagram datagram;
    iovec io{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(scm_timestamping)) + CMSG_SPACE(sizeof(timespec))] = {};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;

    // MSG_TRUNC makes the kernel report the datagram's true length.
    const ssize_t n = recvmsg(m_socket, &message, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
        SetLastError(ErrorFromErrno(errno));
        return datagram;
    }
    datagram.Failed = false;
    datagram.FullLength = static_cast<std::size_t>(n);
    datagram.HasArrivalStamp = KernelStamp(message, datagram.Arrival);
    return datagram;
}

bool UdpSocket::TakeTransmitStamp(NtpTimestamp& departure)
{
    bool found = false;
    // Drain the whole error queue: a stamp left there keeps the socket signalling.
    for (int i = 0; i < 16; ++i) {
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(scm_timestamping)) + 256] = {};
        char payload[64];
        iovec io{payload, sizeof payload};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(m_socket, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
        NtpTimestamp stamp;
        if (KernelStamp(message, stamp)) {
            departure = stamp;
            found = true;
        }
    }
    return found;
}

BOOL UdpSocket::WaitReadable(BOOL& readable, std::uint32_t timeoutMs)
{
    readable = false;
    pollfd entry{m_socket, POLLIN, 0};
    const int timeout = timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeoutMs);
    const int ready = poll(&entry, 1, timeout);
    if (ready < 0)
        return FailWithErrno();
    readable = ready != 0 ? true : false;
    return true;
}

void UdpSocket::Close()
{
    if (m_socket >= 0) {
        close(m_socket);
        m_socket = -1;
    }
}

} // namespace brisvander
