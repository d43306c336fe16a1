#pragma once
// Unpredictable bytes from the kernel (getrandom), for unique identifiers and nonces.
#include <cstdint>
#include <span>

namespace brisvander {

// Fills `out` completely; false if the kernel could not deliver (the buffer is then unusable).
bool FillRandom(std::span<std::uint8_t> out);

} // namespace brisvander
