#pragma once
// brisvander-cli watch: one exchange with a server every interval, a line
// each, until a count is reached or SIGINT or SIGTERM comes; then the summary.
#include "CliCommandLine.h"
#include "CliContext.h"

#include <QString>
#include <optional>

namespace brisvander {

// 0 when at least one exchange was answered, 1 when none was, 64 for a
// usage error (74 is StreamCliOutput's).
int RunWatchCliCommand(const CliCommandLine& line, CliContext& context);

// A count of exchanges: plain decimal digits, 1 to 999999999.
std::optional<int> ParseWatchCount(const QString& text);

} // namespace brisvander
