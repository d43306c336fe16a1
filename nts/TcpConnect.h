#pragma once
// A TCP connection to the key exchange server within a deadline.
#include "Deadline.h"
#include "Expected.h"
#include "UniqueFd.h"

#include <cstdint>
#include <string>

namespace brisvander {

// Tries the host's IPv4 addresses, then its IPv6 ones, each in the order the
// resolver gives them; each gets an equal share of the time left. The name
// lookup itself is not bounded by the deadline. The socket is non-blocking
// and connected.
Expected<UniqueFd> ConnectTcp(const std::string& host, std::uint16_t port, SteadyTime deadline);

} // namespace brisvander
