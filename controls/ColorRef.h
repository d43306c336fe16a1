#pragma once
// The original platform's colour value, laid out 0x00BBGGRR.
#include <cstdint>

namespace brisvander {

using COLORREF = std::uint32_t;

constexpr COLORREF Rgb(int red, int green, int blue)
{
    return static_cast<COLORREF>((red & 0xff) | ((green & 0xff) << 8) | ((blue & 0xff) << 16));
}
constexpr int RedOf(COLORREF colour) { return static_cast<int>(colour & 0xff); }
constexpr int GreenOf(COLORREF colour) { return static_cast<int>((colour >> 8) & 0xff); }
constexpr int BlueOf(COLORREF colour) { return static_cast<int>((colour >> 16) & 0xff); }

} // namespace brisvander
