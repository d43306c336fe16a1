#pragma once
// The history file's layout and its way up from an empty file. The file's
// PRAGMA user_version says which layout it has; each step takes it one
// version up and runs in the same transaction as the new version number.
#include <span>
#include <string_view>

namespace brisvander {

// The layout this program reads and writes. A file with a higher version
// was written by a newer program and is left alone.
inline constexpr int kHistorySchemaVersion = 1;

// The SQL statements that take a file of `fromVersion` (0: empty) to
// fromVersion + 1, in order. Empty for a version that has no step up
// (kHistorySchemaVersion and above, or negative).
std::span<const std::string_view> MigrationStatements(int fromVersion);

} // namespace brisvander
