#pragma once
// Whether this system can open the IPv4 datagram sockets the time queries
// need; checked once at start-up.

namespace brisvander {

bool StartSocketLibrary();

} // namespace brisvander
