#pragma once
// What a run uses to record: opens the history on first use, writes each
// record, and when the history cannot be written says so once through the
// caller's callback (e.g. a line on standard error) and lets the run go on.
// It never deletes or replaces the file. On the thread that made it.
#include "HistoryStore.h"

#include <functional>
#include <span>
#include <string>

namespace brisvander {

// Receives the one failure that says the history could not be written and
// why (HistoryFailure).
using HistoryWarning = std::function<void(const Failure& failure)>;

class HistoryRecorder {
public:
    // `path` as DefaultHistoryPath() gives it, or a test's file. Nothing is
    // opened yet.
    HistoryRecorder(std::string path, HistoryWarning warn, RetentionPolicy retention = {});

    // Opens the file now rather than at the first record; a failure is
    // reported as a write's would be.
    HistoryStatus Open();

    // Each returns what became of the write; a failure is reported through
    // the warning only the first time. A store that could not be opened is
    // tried again at the next record.
    HistoryStatus Record(const MeasurementRecord& record);
    HistoryStatus Record(std::span<const MeasurementRecord> records);
    HistoryStatus Record(const ClockStepRecord& step);

    // Whether the warning has been given.
    bool HasWarned() const { return m_warned; }

private:
    HistoryStatus EnsureOpen();                // opens the store unless it is open
    HistoryStatus Noted(HistoryStatus status); // warns at the first failure; returns `status`

    std::string m_path;
    HistoryWarning m_warn;
    HistoryStore m_store;
    bool m_warned = false;
};

} // namespace brisvander
