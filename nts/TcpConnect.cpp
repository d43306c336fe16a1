#include "TcpConnect.h"

#include "HostAddress.h"
#include "NtsKeRecords.h"

#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace brisvander {
namespace {
Failure LookupFailure(const std::string& host, int code)
{
    const bool notFound = code == EAI_NONAME || code == EAI_NODATA || code == EAI_ADDRFAMILY;
    Failure failure = KeyExchangeFailure(notFound ? FailureKind::NtsNameNotFound : FailureKind::NtsNameLookupFailed);
    failure.Host = host;
    failure.SystemError = code;
    return failure;
}

std::optional<Failure> Resolve(const std::string& host, std::uint16_t port, std::vector<SocketAddress>& out)
{
    const int code = LookUpAddresses(host, port, SOCK_STREAM, out);
    if (code != 0)
        return LookupFailure(host, code);
    if (out.empty())
        return LookupFailure(host, EAI_NODATA);
    return std::nullopt;
}

// 0 when connected, else the errno; ETIMEDOUT when `until` passed first.
int ConnectOne(const SocketAddress& address, SteadyTime until, UniqueFd& socketOut)
{
    UniqueFd fd(socket(address.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return errno;
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.Storage), address.Length) != 0) {
        if (errno != EINPROGRESS)
            return errno;
        const WaitResult waited = WaitFor(fd.Get(), POLLOUT, until);
        if (waited == WaitResult::TimedOut)
            return ETIMEDOUT;
        if (waited == WaitResult::Failed)
            return errno;
        int err = 0;
        socklen_t length = sizeof err;
        if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &err, &length) != 0)
            return errno;
        if (err != 0)
            return err;
    }
    // The TLS Finished and the request go out as separate writes: without
    // this the second waits for the server's delayed acknowledgement (40 ms).
    const int on = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    socketOut = std::move(fd);
    return 0;
}
} // namespace

Expected<UniqueFd> ConnectTcp(const std::string& host, std::uint16_t port, SteadyTime deadline)
{
    std::vector<SocketAddress> addresses;
    if (auto failure = Resolve(host, port, addresses))
        return std::move(*failure);
    UniqueFd socket;
    int lastError = ETIMEDOUT;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            break;
        const SteadyTime until = now + (deadline - now) / static_cast<long>(addresses.size() - i);
        lastError = ConnectOne(addresses[i], until, socket);
        if (lastError == 0)
            return socket;
    }
    if (std::chrono::steady_clock::now() >= deadline)
        return KeyExchangeFailure(FailureKind::NtsTimedOut);
    Failure failure = KeyExchangeFailure(FailureKind::NtsNoConnection);
    failure.Host = host;
    failure.Port = port;
    failure.SystemError = lastError;
    return failure;
}

} // namespace brisvander
