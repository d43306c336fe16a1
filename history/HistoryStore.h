#pragma once
// The history file: SQLite through Qt's SQL module, in WAL mode so that
// readers never wait and a long watch and another run can write side by
// side; every write is one short transaction, and a writer waits up to
// kHistoryBusyTimeoutMs for another. Nothing here deletes or replaces the
// file, and nothing throws: every operation returns a HistoryStatus.
//
// Threads: a store (its Qt SQL connection) belongs to the thread that
// opened it and is used only there. Two stores, in one process or two, may
// use one file at once; each has a connection of its own.
#include "HistoryRecords.h"
#include "HistoryRetention.h"
#include "HistoryStatus.h"

#include <QString>

#include <optional>
#include <span>
#include <string>

namespace brisvander {

// How long a write waits for another writer before it gives Busy, ms.
inline constexpr int kHistoryBusyTimeoutMs = 5000;

// "<state folder>/history.sqlite" for this process (StateLocation.h);
// empty when no state folder can be named.
std::string DefaultHistoryPath();

class HistoryStore {
public:
    // Nothing is opened yet; `retention` says what AppendMeasurement trims.
    explicit HistoryStore(RetentionPolicy retention = {});
    // Closes the file.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens `path`, making its folder (mode 0700) where missing and the file
    // where it is not there, and brings an older layout up to date. An empty
    // path gives NoLocation. A store that was open is closed first.
    HistoryStatus Open(const std::string& path);
    // Closes the file and ends the connection; a closed store may be opened again.
    void Close();
    // Whether the last Open succeeded and no Close followed.
    bool IsOpen() const { return m_open; }

    // One row, in a transaction of its own. Now and then (RetentionPolicy)
    // old rows are removed afterwards; "now" for their age is the server's
    // time of the last successful row written (local time plus offset), so
    // a local clock that is years ahead removes nothing by age.
    HistoryStatus AppendMeasurement(const MeasurementRecord& record);
    // Several rows in one transaction: all or none.
    HistoryStatus AppendMeasurements(std::span<const MeasurementRecord> records);
    // One step of the clock, placed after every measurement written so far.
    HistoryStatus AppendStep(const ClockStepRecord& step);

    // Removes what the retention policy no longer keeps (HistoryRetention.h),
    // given the newest row id and a trusted "now" (UTC Unix microseconds).
    HistoryStatus Trim(std::int64_t newestId, std::optional<std::int64_t> nowMicroseconds);

    // The Qt SQL connection's name, for the room's readers; valid while open.
    const QString& ConnectionName() const { return m_connection; }

private:
    HistoryStatus TrimAfterInsert(std::int64_t firstId, std::int64_t lastId,
                                  std::span<const MeasurementRecord> records);

    RetentionPolicy m_retention;
    QString m_connection;
    bool m_open = false;
};

} // namespace brisvander
