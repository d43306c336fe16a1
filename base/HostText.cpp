#include "HostText.h"

#include <cstdio>

namespace brisvander {

namespace {
struct CodePoint {
    char32_t value = 0;
    std::size_t length = 0; // 0: the bytes there are not UTF-8
};

unsigned ByteAt(std::string_view text, std::size_t at) { return static_cast<unsigned char>(text[at]); }

std::size_t SequenceLength(unsigned lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

CodePoint DecodeAt(std::string_view text, std::size_t at)
{
    const std::size_t length = SequenceLength(ByteAt(text, at));
    if (length == 0 || at + length > text.size())
        return {};
    if (length == 1)
        return {ByteAt(text, at), 1};
    char32_t value = ByteAt(text, at) & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((ByteAt(text, at + i) & 0xC0) != 0x80)
            return {};
        value = (value << 6) | (ByteAt(text, at + i) & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8.
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return {};
    return {value, length};
}

bool IsBlank(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000 || c == 0xFEFF;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Marks that turn the direction of the text around them: they can make a
// host read as another on the terminal.
bool IsDirectionControl(char32_t c)
{
    return c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string UnicodeEscape(char32_t c)
{
    char text[16]; // room for any char32_t, though only marks below 0x10000 come here
    std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(c));
    return text;
}

std::string HexEscape(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02x", value);
    return text;
}

// Where the last code point of text[0, end) starts, or end when it is not UTF-8.
std::size_t LastCodePointStart(std::string_view text, std::size_t end)
{
    std::size_t start = end - 1;
    while (start > 0 && end - start < 4 && (ByteAt(text, start) & 0xC0) == 0x80)
        --start;
    const CodePoint last = DecodeAt(text, start);
    return last.length == end - start ? start : end;
}
} // namespace

std::string TrimmedHost(std::string_view host)
{
    std::size_t begin = 0;
    while (begin < host.size()) {
        const CodePoint c = DecodeAt(host, begin);
        if (c.length == 0 || !IsBlank(c.value))
            break;
        begin += c.length;
    }
    std::size_t end = host.size();
    while (end > begin) {
        const std::size_t start = LastCodePointStart(host, end);
        if (start == end || start < begin || !IsBlank(DecodeAt(host, start).value))
            break;
        end = start;
    }
    return std::string(host.substr(begin, end - begin));
}

std::string EscapeControlCharacters(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint c = DecodeAt(text, at);
        if (c.length == 0) {
            shown += HexEscape(ByteAt(text, at));
            ++at;
            continue;
        }
        if (IsControl(c.value))
            shown += HexEscape(static_cast<unsigned>(c.value));
        else if (IsDirectionControl(c.value))
            shown += UnicodeEscape(c.value);
        else
            shown.append(text.substr(at, c.length));
        at += c.length;
    }
    return shown;
}

} // namespace brisvander
