#pragma once
// A reply's reference identifier as a person reads it. Pure.
#include <cstdint>
#include <string>

namespace brisvander {

// Stratum 0 or 1: the four ASCII characters (a kiss code or a clock's name,
// "GPS", "PTB"), trailing NULs dropped and any other byte outside printable
// ASCII shown as "?". Stratum 2 and above: the IPv4 address of the server's
// own source in dotted form (for an IPv6 source a hash of its address, shown
// the same way). `referenceId` is read big-endian from the wire.
std::string ReferenceText(int stratum, std::uint32_t referenceId);

} // namespace brisvander
