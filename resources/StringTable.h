#pragma once
// The program's string table: every text that a command id or a resource id
// names. UTF-8.
#include <string_view>

namespace brisvander {

// The string of `id`, empty when the table has none.
std::string_view LoadResourceString(int id);

// A command string holds the status-bar prompt, then "\n", then the tooltip.
std::string_view CommandPrompt(int id);
std::string_view CommandTooltip(int id);

} // namespace brisvander
