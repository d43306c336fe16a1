#include "HistoryRecorder.h"

namespace brisvander {

HistoryRecorder::HistoryRecorder(std::string path, HistoryWarning warn, RetentionPolicy retention)
    : m_path(std::move(path)), m_warn(std::move(warn)), m_store(retention)
{
}

HistoryStatus HistoryRecorder::EnsureOpen()
{
    return m_store.IsOpen() ? HistoryStatus::Ok : m_store.Open(m_path);
}

HistoryStatus HistoryRecorder::Open() { return Noted(EnsureOpen()); }

HistoryStatus HistoryRecorder::Noted(HistoryStatus status)
{
    if (status != HistoryStatus::Ok && !m_warned) {
        m_warned = true;
        if (m_warn)
            m_warn(HistoryFailure(m_path, status));
    }
    return status;
}

HistoryStatus HistoryRecorder::Record(const MeasurementRecord& record)
{
    return Record(std::span<const MeasurementRecord>(&record, 1));
}

HistoryStatus HistoryRecorder::Record(std::span<const MeasurementRecord> records)
{
    HistoryStatus status = EnsureOpen();
    if (status == HistoryStatus::Ok)
        status = m_store.AppendMeasurements(records);
    return Noted(status);
}

HistoryStatus HistoryRecorder::Record(const ClockStepRecord& step)
{
    HistoryStatus status = EnsureOpen();
    if (status == HistoryStatus::Ok)
        status = m_store.AppendStep(step);
    return Noted(status);
}

} // namespace brisvander
