#include "HistoryStatus.h"

namespace brisvander {

namespace {
FailureKind KindOf(HistoryStatus status)
{
    switch (status) {
    case HistoryStatus::NoLocation: return FailureKind::HistoryNoLocation;
    case HistoryStatus::CannotOpen: return FailureKind::HistoryCannotOpen;
    case HistoryStatus::Busy: return FailureKind::HistoryBusy;
    case HistoryStatus::Damaged: return FailureKind::HistoryDamaged;
    case HistoryStatus::ReadOnly: return FailureKind::HistoryReadOnly;
    case HistoryStatus::NewerSchema: return FailureKind::HistoryNewerSchema;
    case HistoryStatus::NotOpen: return FailureKind::HistoryNotOpen;
    case HistoryStatus::Ok:
    case HistoryStatus::Failed: break;
    }
    return FailureKind::HistoryFailed;
}
} // namespace

Failure HistoryFailure(const std::string& path, HistoryStatus status)
{
    Failure failure = FailureOf(FailureKind::HistoryNotWritten);
    failure.Cause = KindOf(status);
    failure.Detail = path;
    return failure;
}

Failure HistoryReadFailure(const std::string& path, HistoryStatus status)
{
    Failure failure = HistoryFailure(path, status);
    failure.Kind = FailureKind::HistoryNotRead;
    return failure;
}

HistoryStatus HistoryStatusFromSqliteCode(int code)
{
    // SQLite's primary result codes; an extended code carries one in its low byte.
    switch (code & 0xFF) {
    case 0:
        return HistoryStatus::Ok;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return HistoryStatus::Busy;
    case 8:  // SQLITE_READONLY
    case 23: // SQLITE_AUTH
        return HistoryStatus::ReadOnly;
    case 3:  // SQLITE_PERM
    case 14: // SQLITE_CANTOPEN
        return HistoryStatus::CannotOpen;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return HistoryStatus::Damaged;
    default:
        return HistoryStatus::Failed;
    }
}

} // namespace brisvander
