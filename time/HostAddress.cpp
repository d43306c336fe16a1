#include "HostAddress.h"

#include "ErrorCodes.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>

namespace brisvander {

std::string_view WithoutBrackets(std::string_view host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

bool IsPlausibleHostText(std::string_view host)
{
    if (host.empty())
        return false;
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return false;
    }
    const std::string_view inside = WithoutBrackets(host);
    if (inside.size() != host.size() && inside.find(':') == std::string_view::npos)
        return false;
    return inside.find_first_of("[]") == std::string_view::npos;
}

void PutIPv4First(std::vector<SocketAddress>& addresses)
{
    std::stable_partition(addresses.begin(), addresses.end(),
                          [](const SocketAddress& a) { return a.Family() == AF_INET; });
}

namespace {
SocketAddress IPv4Address(const in_addr& address, int port)
{
    SocketAddress result;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&result.Storage);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    v4->sin_addr = address;
    result.Length = sizeof(sockaddr_in);
    return result;
}
} // namespace

ResolvedHost ResolveHost(const char* host, int port)
{
    ResolvedHost resolved;
    // inet_aton would take "127.0.0.1 anything" as 127.0.0.1, and a name
    // server would be asked about "[::1": neither is what was typed.
    if (host == nullptr || !IsPlausibleHostText(host)) {
        resolved.Error = ErrorCode::HostNotFound;
        return resolved;
    }
    in_addr dotted{};
    if (inet_aton(host, &dotted) != 0) {
        resolved.Addresses.push_back(IPv4Address(dotted, port));
        return resolved;
    }

    const int rc = LookUpAddresses(std::string(WithoutBrackets(host)), port, SOCK_DGRAM, resolved.Addresses);
    if (rc != 0)
        resolved.Error = ErrorFromResolver(rc, errno);
    else if (resolved.Addresses.empty())
        resolved.Error = ErrorCode::NoData;
    return resolved;
}

int LookUpAddresses(const std::string& name, int port, int socketType, std::vector<SocketAddress>& out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = socketType;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0)
        return rc;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address;
        std::memcpy(&address.Storage, a->ai_addr, a->ai_addrlen);
        address.Length = a->ai_addrlen;
        out.push_back(address);
    }
    freeaddrinfo(found);
    PutIPv4First(out);
    return 0;
}

} // namespace brisvander
