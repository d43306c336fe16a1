#pragma once
// A server's socket address as the survey compares and shows it. Pure.
#include "HostAddress.h"

#include <string>

namespace brisvander {

// Equal for equal family, address, port (and IPv6 scope); bytes, not text.
std::string EndpointKey(const SocketAddress& address);

// "192.0.2.1" or "2001:db8::1" (no port, no brackets); empty for another family.
std::string NumericAddress(const SocketAddress& address);

// The port in host order; 0 for another family.
int PortOf(const SocketAddress& address);

} // namespace brisvander
