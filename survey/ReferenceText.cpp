#include "ReferenceText.h"

namespace brisvander {

namespace {
std::uint8_t ByteOf(std::uint32_t word, int index) { return static_cast<std::uint8_t>(word >> (24 - 8 * index)); }
} // namespace

std::string ReferenceText(int stratum, std::uint32_t referenceId)
{
    std::string text;
    if (stratum >= 2) {
        for (int i = 0; i < 4; ++i)
            text += (i > 0 ? "." : "") + std::to_string(ByteOf(referenceId, i));
        return text;
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t byte = ByteOf(referenceId, i);
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : (byte == 0 ? '\0' : '?');
    }
    // Names shorter than four characters are padded with NULs.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    for (char& c : text)
        if (c == '\0')
            c = '?';
    return text;
}

} // namespace brisvander
