#pragma once
// The text of --help and of the usage line after a usage error. The program
// is named "brisvander-cli" whatever path it was started by.
#include <string>

namespace brisvander {

// The synopsis lines, each indented and ending in a line break.
std::string CliSynopsis();
// Usage, options, exit statuses and error numbers, as the man page has them.
std::string CliHelpText();

} // namespace brisvander
