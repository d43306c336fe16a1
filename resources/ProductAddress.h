#pragma once
// The product's addresses on the maker's web site.

namespace brisvander {

// Shown by the main form's web-address label, which opens what it shows.
inline constexpr const char* ProductWebAddress = "www.quillmade.de";

} // namespace brisvander
