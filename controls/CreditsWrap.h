#pragma once
// Breaks credit entries into lines of at most a given number of characters.
// Texts are UTF-8; a character is one code point, so "ü" counts like "u".
#include <string>
#include <string_view>
#include <vector>

namespace brisvander {

// One entry per character; a byte that starts no valid sequence is a
// character of its own.
std::vector<std::string_view> SplitUtf8Characters(std::string_view text);

// Breaks at the last blank that keeps a line within charsPerLine and drops
// that one blank. An entry of white space only gives one line " "; an empty
// entry gives none. A word longer than a line is cut after charsPerLine
// characters and goes on on the next line. charsPerLine below 1 counts as 1.
std::vector<std::string> WrapCreditLines(const std::vector<std::string>& entries, int charsPerLine);

// Cuts a text to at most maxChars characters.
std::string CutToCharacters(const std::string& text, std::size_t maxChars);

} // namespace brisvander
