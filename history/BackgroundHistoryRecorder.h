#pragma once
// A HistoryRecorder on a thread of its own. Opening the history costs a run
// milliseconds (Qt loads its SQLite driver, SQLite opens the file and its
// WAL); started before the exchange, this one opens it while the exchange
// runs, and a record then costs the caller a queue push. The file is
// written and closed on the recorder's thread; the warning (at most one)
// reaches the callback on the caller's thread, at a later Record or at
// Finish. Use one from a single thread.
#include "HistoryRecorder.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace brisvander {

class BackgroundHistoryRecorder {
public:
    // Starts the thread, which opens `path` at once.
    BackgroundHistoryRecorder(std::string path, HistoryWarning warn, RetentionPolicy retention = {});
    // Finish()es.
    ~BackgroundHistoryRecorder();
    BackgroundHistoryRecorder(const BackgroundHistoryRecorder&) = delete;
    BackgroundHistoryRecorder& operator=(const BackgroundHistoryRecorder&) = delete;

    // Queued for the thread; each returns at once. Several measurements
    // queued together are written in one transaction.
    void Record(MeasurementRecord record);
    void Record(std::vector<MeasurementRecord> records);
    void Record(ClockStepRecord step);

    // Waits until everything queued is written and the file is closed, then
    // gives the warning if there is one. The first failure, or Ok. Nothing
    // may be recorded afterwards.
    HistoryStatus Finish();

private:
    using Item = std::variant<std::vector<MeasurementRecord>, ClockStepRecord>;
    void Push(Item item);                                          // caller's thread
    void Run(const std::string& path, RetentionPolicy retention);  // the recorder's thread, until finished
    void Write(HistoryRecorder& recorder, const Item& item);       // the recorder's thread
    void Note(HistoryStatus status);                               // keeps the first failure
    void DeliverWarning();                                         // caller's thread

    HistoryWarning m_warn;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_queue;                 // guarded by m_mutex
    bool m_finishing = false;                 // guarded by m_mutex
    std::optional<Failure> m_warning;         // guarded by m_mutex; not yet given
    HistoryStatus m_failure = HistoryStatus::Ok; // guarded by m_mutex; the first one
    std::thread m_thread;                     // last: starts when the rest is ready
};

} // namespace brisvander
