#include "UdpSocket.h"

#include "ErrorCodes.h"
#include "HostAddress.h"
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

namespace brisvander {

namespace {
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

BOOL UdpSocket::Create() { return Open(AF_INET); }

bool UdpSocket::Open(int family)
{
    Close();
    m_socket = UniqueFd(socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!m_socket.Valid())
        return FailWithErrno();
    m_family = family;
    // The kernel's stamps of departure and arrival are truer than clock
    // readings around send and the wait; without them the caller reads the clock.
    const int flags = SOF_TIMESTAMPING_TX_SOFTWARE | SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE |
                      SOF_TIMESTAMPING_OPT_TSONLY;
    if (setsockopt(m_socket.Get(), SOL_SOCKET, SO_TIMESTAMPING, &flags, sizeof flags) != 0) {
        const int on = 1;
        setsockopt(m_socket.Get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    }
    // A flood of forged datagrams must not push the true reply out of a full
    // buffer: ask for the most the system allows (the kernel caps the request
    // at net.core.rmem_max).
    const int wanted = ReceiveBufferBytes;
    setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    return true;
}

BOOL UdpSocket::Connect(const char* host, int port)
{
    // A port outside 1-65535 would wrap to another one when cut to 16 bits.
    if (port < 1 || port > 65535) {
        SetLastError(ErrorCode::AddressNotAvailable);
        return false;
    }
    const ResolvedHost resolved = ResolveHost(host, port);
    if (resolved.Addresses.empty()) {
        SetLastError(resolved.Error);
        return false;
    }
    // IPv4 first; a family this machine cannot reach gives way to the next address.
    for (const SocketAddress& address : resolved.Addresses) {
        if ((!m_socket.Valid() || m_family != address.Family()) && !Open(address.Family()))
            continue;
        if (Connect(reinterpret_cast<const sockaddr*>(&address.Storage), address.Length))
            return true;
    }
    return false;
}

BOOL UdpSocket::Connect(const sockaddr* address, socklen_t length)
{
    if (connect(m_socket.Get(), address, length) != 0)
        return FailWithErrno();
    return true;
}

BOOL UdpSocket::Send(const void* buffer, std::size_t length)
{
    if (send(m_socket.Get(), buffer, length, 0) < 0)
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
    const ssize_t n = recvmsg(m_socket.Get(), &message, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
        FailWithErrno();
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
        if (recvmsg(m_socket.Get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
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
    pollfd entry{m_socket.Get(), POLLIN, 0};
    const int timeout = timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeoutMs);
    const int ready = poll(&entry, 1, timeout);
    if (ready < 0)
        return FailWithErrno();
    readable = ready != 0 ? true : false;
    return true;
}

void UdpSocket::Close() { m_socket.Reset(); }

} // namespace brisvander
