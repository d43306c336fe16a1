#pragma once
// What a typed host becomes: trimmed for the query and the store, and made
// safe to show on a terminal. UTF-8 in and out, no Qt.
#include <string>
#include <string_view>

namespace brisvander {

// The host without blanks around it: ASCII white space and the Unicode
// spaces a paste brings along (no-break space, zero-width space, byte order
// mark, ...). Blanks inside are kept; the query fails on them as it should.
std::string TrimmedHost(std::string_view host);

// Control characters (C0, DEL, C1) and bytes that are not UTF-8 written as
// "\xHH", so that text from input cannot steer a terminal. Everything else,
// umlauts included, is kept as it is.
std::string EscapeControlCharacters(std::string_view text);

} // namespace brisvander
