#include "HistoryCsvExport.h"

#include "HistoryFormat.h"
#include "HistoryReader.h"
#include "HistoryStore.h"

#include <QSaveFile>

#include <filesystem>
#include <variant>

namespace brisvander {

namespace {
std::int64_t TimeOf(const HistoryEntry& entry)
{
    return std::visit([](const auto& row) { return row.UnixMicroseconds; }, entry);
}

bool Shown(const HistoryEntry& entry)
{
    const auto* measurement = std::get_if<MeasurementRecord>(&entry);
    return measurement == nullptr || (measurement->Succeeded && measurement->OffsetSeconds && measurement->DelaySeconds);
}

bool Put(QSaveFile& file, const std::string& text)
{
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}
} // namespace

CsvExportOutcome ExportHistoryCsv(const std::string& historyPath, std::optional<std::int64_t> since,
                                  std::int64_t until, const QString& csvPath)
{
    CsvExportOutcome outcome;
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly) || !Put(file, ListingHeader(ListingFormat::Csv)))
        return outcome;
    bool writable = true;
    std::error_code missing;
    if (!historyPath.empty() && std::filesystem::exists(historyPath, missing)) {
        HistoryStore store;
        outcome.Status = store.Open(historyPath);
        if (outcome.Status == HistoryStatus::Ok)
            outcome.Status = ForEachEntry(store, {since, std::nullopt}, [&](const HistoryEntry& entry) {
                if (TimeOf(entry) > until)
                    return false;
                if (Shown(entry)) {
                    writable = Put(file, ListingLine(ListingFormat::Csv, entry));
                    ++outcome.Rows;
                }
                return writable;
            });
    }
    if (outcome.Status != HistoryStatus::Ok || !writable) {
        file.cancelWriting();
        return outcome;
    }
    outcome.Written = file.commit();
    return outcome;
}

} // namespace brisvander
