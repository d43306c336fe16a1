#pragma once
// Turning a host as the user typed it into the socket addresses to try:
// a dotted IPv4 address as it is, an IPv6 literal with or without brackets,
// or a name looked up for both families, IPv4 addresses first.
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace brisvander {

struct SocketAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
    int Family() const { return Storage.ss_family; }
};

struct ResolvedHost {
    std::vector<SocketAddress> Addresses; // in the order to try them
    std::uint32_t Error = 0;              // ErrorCodes.h number when there are none
};

// "[::1]" -> "::1"; anything else as it is (an unclosed "[::1" stays, and
// fails the lookup).
std::string_view WithoutBrackets(std::string_view host);

// Whether the text can name a host at all: not empty, no blank or control
// character, and square brackets only around a whole IPv6 address. Text that
// cannot is refused without asking a name server about it.
bool IsPlausibleHostText(std::string_view host);

// Stable: IPv4 addresses keep their order and come before all others.
void PutIPv4First(std::vector<SocketAddress>& addresses);

// Looks `name` up for `port` and `socketType` (SOCK_DGRAM, SOCK_STREAM) and
// appends its IPv4 and IPv6 addresses to `out`, IPv4 first. Returns
// getaddrinfo's code, with errno as it left it; 0 also when no address of
// those families came back.
int LookUpAddresses(const std::string& name, int port, int socketType, std::vector<SocketAddress>& out);

// Resolves `host` for UDP `port` (1-65535, the caller checks). A dotted IPv4
// form that inet_aton takes (also "127.1") is used without a lookup; text
// that is no plausible host is HostNotFound without a lookup.
ResolvedHost ResolveHost(const char* host, int port);

} // namespace brisvander
