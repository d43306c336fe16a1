#include "HistorySchema.h"

#include <array>

namespace brisvander {

namespace {
// Times are UTC Unix microseconds (exact in an integer, unlike a double);
// seconds are REAL; NULL is "not known". Sources and ways are their names
// (HistoryRecords.h), so the file reads without this program. Measurement
// ids never repeat (AUTOINCREMENT), so they give the order of writing even
// where a step set the clock back; a step notes the last id before it.
constexpr std::array<std::string_view, 4> kToVersion1{
    "CREATE TABLE measurements ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " time_us INTEGER NOT NULL,"
    " host TEXT NOT NULL,"
    " address TEXT,"
    " port INTEGER NOT NULL,"
    " source TEXT NOT NULL,"
    " success INTEGER NOT NULL,"
    " error INTEGER NOT NULL,"
    " offset_s REAL,"
    " delay_s REAL,"
    " stratum INTEGER,"
    " root_delay_s REAL,"
    " root_dispersion_s REAL,"
    " nts INTEGER NOT NULL,"
    " interleaved INTEGER NOT NULL)",
    "CREATE INDEX measurements_by_time ON measurements (time_us)",
    "CREATE TABLE clock_steps ("
    " id INTEGER PRIMARY KEY,"
    " time_us INTEGER NOT NULL,"
    " host TEXT NOT NULL,"
    " step_s REAL NOT NULL,"
    " way TEXT NOT NULL,"
    " measurements_before INTEGER NOT NULL)",
    "CREATE INDEX clock_steps_by_time ON clock_steps (time_us)",
};
} // namespace

std::span<const std::string_view> MigrationStatements(int fromVersion)
{
    if (fromVersion == 0)
        return kToVersion1;
    return {};
}

} // namespace brisvander
