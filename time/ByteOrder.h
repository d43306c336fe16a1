#pragma once
// Big-endian (network order) 32-bit words in byte buffers. The caller
// guarantees four readable or writable bytes.
#include <cstdint>

namespace brisvander {

constexpr std::uint32_t GetBigEndian32(const std::uint8_t* in)
{
    return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) | (std::uint32_t{in[2]} << 8) |
           std::uint32_t{in[3]};
}

constexpr void PutBigEndian32(std::uint8_t* out, std::uint32_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

} // namespace brisvander
