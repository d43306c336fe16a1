#include "SurveySocket.h"

#include "ErrorCodes.h"

#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander {

namespace {
bool KernelArrival(msghdr& message, NtpTimestamp& stamp)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS)
            continue;
        timespec ts{};
        std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
        if (ts.tv_sec == 0 && ts.tv_nsec == 0)
            return false;
        stamp = NtpTimestamp::FromTimespec(ts);
        return true;
    }
    return false;
}

const sock_extended_err* ExtendedError(msghdr& message)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if ((c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR) ||
            (c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_RECVERR))
            return reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
    }
    return nullptr;
}

bool FromNetwork(const sock_extended_err& error)
{
    return error.ee_origin == SO_EE_ORIGIN_ICMP || error.ee_origin == SO_EE_ORIGIN_ICMP6 ||
           error.ee_origin == SO_EE_ORIGIN_LOCAL;
}
} // namespace

SurveySocket::~SurveySocket()
{
    if (m_socket >= 0)
        close(m_socket);
}

std::uint32_t SurveySocket::Open(int family)
{
    m_socket = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return ErrorFromErrno(errno);
    m_family = family;
    const int on = 1;
    // Unconnected, the socket hears of a closed port only through the error queue.
    if (family == AF_INET6) {
        setsockopt(m_socket, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        setsockopt(m_socket, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on);
    } else {
        setsockopt(m_socket, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    }
    // The kernel's arrival stamp is truer than a clock reading after the wait.
    setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    // Replies from many servers may arrive together; ask for the most the system allows.
    const int wanted = ReceiveBufferBytes;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    return ErrorCode::Success;
}

std::uint32_t SurveySocket::SendTo(const SocketAddress& to, const void* data, std::size_t length)
{
    if (sendto(m_socket, data, length, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to.Storage), to.Length) < 0)
        return ErrorFromErrno(errno);
    return ErrorCode::Success;
}

SurveySocket::Datagram SurveySocket::Receive(std::uint8_t* buffer, std::size_t capacity)
{
    Datagram datagram;
    iovec io{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + 64] = {};
    msghdr message{};
    message.msg_name = &datagram.From.Storage;
    message.msg_namelen = sizeof datagram.From.Storage;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(m_socket, &message, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
        datagram.Error = ErrorFromErrno(errno);
        return datagram;
    }
    datagram.From.Length = message.msg_namelen;
    datagram.FullLength = static_cast<std::size_t>(n);
    datagram.HasArrivalStamp = KernelArrival(message, datagram.Arrival);
    return datagram;
}

std::optional<SurveySocket::NetworkError> SurveySocket::TakeNetworkError()
{
    for (;;) {
        NetworkError found;
        std::uint8_t payload[64];
        iovec io{payload, sizeof payload};
        alignas(cmsghdr) char control[512] = {};
        msghdr message{};
        message.msg_name = &found.To.Storage;
        message.msg_namelen = sizeof found.To.Storage;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(m_socket, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            return std::nullopt;
        const sock_extended_err* error = ExtendedError(message);
        if (error == nullptr || !FromNetwork(*error) || error->ee_errno == 0)
            continue;
        found.To.Length = message.msg_namelen;
        found.Error = ErrorFromErrno(static_cast<int>(error->ee_errno));
        return found;
    }
}

} // namespace brisvander
