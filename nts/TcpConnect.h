#pragma once
// A TCP connection to the key exchange server within a deadline.
#include "Deadline.h"
#include "NtsKeFailure.h"
#include "UniqueFd.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

struct TcpConnection {
    UniqueFd Socket; // non-blocking, connected; invalid on failure
    std::optional<NtsKeFailure> Failure;
};

// Tries the host's IPv4 addresses, then its IPv6 ones, each in the order the
// resolver gives them; each gets an equal share of the time left. The name
// lookup itself is not bounded by the deadline.
TcpConnection ConnectTcp(const std::string& host, std::uint16_t port, SteadyTime deadline);

} // namespace brisvander
