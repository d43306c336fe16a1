#pragma once
// Byte buffers as the NTS codecs take and give them: views in, owned vectors out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brisvander {

using ByteView = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

// Big-endian 16-bit value at `at`; the caller has checked that two bytes are there.
inline std::uint16_t ReadU16(ByteView data, std::size_t at)
{
    return static_cast<std::uint16_t>((data[at] << 8) | data[at + 1]);
}

inline void AppendU16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

inline void AppendBytes(Bytes& out, ByteView data) { out.insert(out.end(), data.begin(), data.end()); }

inline constexpr std::size_t RoundUpTo4(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

} // namespace brisvander
