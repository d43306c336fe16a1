#pragma once
// What became of one operation on the history file. Errors are values: no
// operation throws, and none ever deletes or replaces the file.
#include "Failure.h"

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

// That the history at `path` could not be written, and why: a failure of
// kind HistoryNotWritten whose Cause is the History... kind of `status`
// (not Ok), Detail the path. Its words are made above (FailureText).
Failure HistoryFailure(const std::string& path, HistoryStatus status);
// The same for reading the history back: kind HistoryNotRead.
Failure HistoryReadFailure(const std::string& path, HistoryStatus status);

// The status an SQLite result code stands for (primary or extended code;
// 0 is Ok). Codes that name no particular cause give Failed.
HistoryStatus HistoryStatusFromSqliteCode(int code);

} // namespace brisvander
