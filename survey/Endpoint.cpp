#include "Endpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace brisvander {

namespace {
std::string Bytes(const void* data, std::size_t length) { return {static_cast<const char*>(data), length}; }
} // namespace

std::string EndpointKey(const SocketAddress& address)
{
    if (address.Family() == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.Storage);
        return "4" + Bytes(&v4->sin_port, sizeof v4->sin_port) + Bytes(&v4->sin_addr, sizeof v4->sin_addr);
    }
    if (address.Family() == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.Storage);
        return "6" + Bytes(&v6->sin6_port, sizeof v6->sin6_port) + Bytes(&v6->sin6_addr, sizeof v6->sin6_addr) +
               Bytes(&v6->sin6_scope_id, sizeof v6->sin6_scope_id);
    }
    return {};
}

std::string NumericAddress(const SocketAddress& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (address.Family() == AF_INET)
        bytes = &reinterpret_cast<const sockaddr_in*>(&address.Storage)->sin_addr;
    else if (address.Family() == AF_INET6)
        bytes = &reinterpret_cast<const sockaddr_in6*>(&address.Storage)->sin6_addr;
    if (bytes == nullptr || inet_ntop(address.Family(), bytes, text, sizeof text) == nullptr)
        return {};
    return text;
}

int PortOf(const SocketAddress& address)
{
    if (address.Family() == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address.Storage)->sin_port);
    if (address.Family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address.Storage)->sin6_port);
    return 0;
}

} // namespace brisvander
