#pragma once
// The data a Verlauf plot shows, saved as CSV: its successful measurements
// and the clock's steps, in time order, in the history room's CSV form
// (HistoryFormat.h). On any thread; opens its own connection to the file.
#include "HistoryStatus.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

struct CsvExportOutcome {
    HistoryStatus Status = HistoryStatus::Ok; // reading the history
    bool Written = false;                     // the CSV file is complete
    std::size_t Rows = 0;                     // rows under the header
};

// The rows from `since` (none: the first) to `until` (UTC Unix microseconds)
// of the history at `historyPath`, written to `csvPath` whole or not at all.
CsvExportOutcome ExportHistoryCsv(const std::string& historyPath, std::optional<std::int64_t> since,
                                  std::int64_t until, const QString& csvPath);

} // namespace brisvander
