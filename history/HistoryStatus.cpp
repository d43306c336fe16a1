#include "HistoryStatus.h"

namespace brisvander {

std::string HistoryStatusText(HistoryStatus status)
{
    switch (status) {
    case HistoryStatus::Ok:
        return "in Ordnung";
    case HistoryStatus::NoLocation:
        return "kein Ordner für den Zustand";
    case HistoryStatus::CannotOpen:
        return "die Datei lässt sich nicht öffnen";
    case HistoryStatus::Busy:
        return "die Datei ist zu lange gesperrt";
    case HistoryStatus::Damaged:
        return "die Datei ist beschädigt";
    case HistoryStatus::ReadOnly:
        return "die Datei ist schreibgeschützt";
    case HistoryStatus::NewerSchema:
        return "die Datei stammt von einer neueren Version";
    case HistoryStatus::NotOpen:
        return "die Datei ist nicht geöffnet";
    case HistoryStatus::Failed:
        break;
    }
    return "Datenbankfehler";
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
