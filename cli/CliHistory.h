#pragma once
// brisvander-cli history: the measurements and steps kept, as text, CSV or
// JSON Lines, or with --drift the local clock's drift per server and combined.
#include "CliCommandLine.h"
#include "CliContext.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace brisvander {

// 0 when the history was read (an absent file is an empty history), 1 when
// it could not be read (said on standard error), 64 for a usage error.
int RunHistoryCliCommand(const CliCommandLine& line, CliContext& context);

// --since's DATE as UTC Unix microseconds: "YYYY-MM-DD" (midnight), or a
// date and a time "YYYY-MM-DDTHH:MM[:SS]" ("T" or a blank between), in
// local time unless it ends in "Z" or names its offset ("+02:00").
std::optional<std::int64_t> ParseSinceDate(const QString& text);

} // namespace brisvander
