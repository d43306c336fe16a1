#pragma once
// What became of one operation on the history file. Errors are values: no
// operation throws, and none ever deletes or replaces the file.
#include <string>

namespace brisvander {

enum class HistoryStatus {
    Ok,
    NoLocation,  // no state folder can be named, or it cannot be made
    CannotOpen,  // the file cannot be opened or created (or the SQLite driver is missing)
    Busy,        // another writer held the file past the busy time-out
    Damaged,     // the file is not an SQLite database, or is corrupt
    ReadOnly,    // the file or its folder cannot be written
    NewerSchema, // written by a newer program; left alone
    NotOpen,     // the store was used before a successful Open
    Failed,      // any other error of the database
};

// The status for one line of a message, German: "die Datei ist beschädigt".
std::string HistoryStatusText(HistoryStatus status);

// The status an SQLite result code stands for (primary or extended code;
// 0 is Ok). Codes that name no particular cause give Failed.
HistoryStatus HistoryStatusFromSqliteCode(int code);

} // namespace brisvander
