#include "CreditsWrap.h"

namespace brisvander {

namespace {

std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 1;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool IsWhiteSpace(std::string_view c)
{
    return c.size() == 1 && (c[0] == ' ' || (c[0] >= '\t' && c[0] <= '\r'));
}

bool IsBlank(std::string_view c) { return c == " "; }

using Characters = std::vector<std::string_view>;

std::string Join(const Characters& chars, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < to; ++i)
        text.append(chars[i]);
    return text;
}

void WrapEntry(const std::string& entry, std::size_t cpl, std::vector<std::string>& out)
{
    const Characters chars = SplitUtf8Characters(entry);
    std::size_t start = 0;
    std::size_t end = chars.size();
    while (start < end) {
        while (end > start && IsWhiteSpace(chars[end - 1]))
            --end;
        const std::size_t n = end - start;
        if (n == 0) {
            out.emplace_back(" ");
            return;
        }
        if (n <= cpl) {
            out.push_back(Join(chars, start, end));
            return;
        }
        std::size_t p = 0;
        for (std::size_t i = cpl; i >= 1 && p == 0; --i) {
            if (IsBlank(chars[start + i]))
                p = i;
        }
        if (p == 0) {
            // No blank to break at: cut the word, losing none of it.
            out.push_back(Join(chars, start, start + cpl));
            start += cpl;
        } else {
            out.push_back(Join(chars, start, start + p));
            start += p + 1;
        }
    }
}

} // namespace

std::vector<std::string_view> SplitUtf8Characters(std::string_view text)
{
    std::vector<std::string_view> chars;
    chars.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        if (i + length > text.size())
            length = 1;
        for (std::size_t k = 1; k < length; ++k) {
            if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) {
                length = 1;
                break;
            }
        }
        chars.push_back(text.substr(i, length));
        i += length;
    }
    return chars;
}

std::vector<std::string> WrapCreditLines(const std::vector<std::string>& entries, int charsPerLine)
{
    const std::size_t cpl = charsPerLine < 1 ? 1 : static_cast<std::size_t>(charsPerLine);
    std::vector<std::string> lines;
    for (const std::string& entry : entries)
        WrapEntry(entry, cpl, lines);
    return lines;
}

std::string CutToCharacters(const std::string& text, std::size_t maxChars)
{
    const std::vector<std::string_view> chars = SplitUtf8Characters(text);
    if (chars.size() <= maxChars)
        return text;
    std::string cut;
    for (std::size_t i = 0; i < maxChars; ++i)
        cut.append(chars[i]);
    return cut;
}

} // namespace brisvander
