#include "BackgroundHistoryRecorder.h"

namespace brisvander {

BackgroundHistoryRecorder::BackgroundHistoryRecorder(std::string path, HistoryWarning warn, RetentionPolicy retention)
    : m_warn(std::move(warn)), m_thread([this, path = std::move(path), retention] { Run(path, retention); })
{
}

BackgroundHistoryRecorder::~BackgroundHistoryRecorder() { Finish(); }

void BackgroundHistoryRecorder::Run(const std::string& path, RetentionPolicy retention)
{
    HistoryRecorder recorder(
        path,
        [this](const Failure& failure) {
            const std::lock_guard lock(m_mutex);
            m_warning = failure;
        },
        retention);
    Note(recorder.Open());
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
        if (m_queue.empty())
            break;
        const Item item = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        Write(recorder, item);
        lock.lock();
    }
}

void BackgroundHistoryRecorder::Write(HistoryRecorder& recorder, const Item& item)
{
    if (const auto* records = std::get_if<std::vector<MeasurementRecord>>(&item))
        Note(recorder.Record(*records));
    else
        Note(recorder.Record(std::get<ClockStepRecord>(item)));
}

void BackgroundHistoryRecorder::Note(HistoryStatus status)
{
    const std::lock_guard lock(m_mutex);
    if (m_failure == HistoryStatus::Ok)
        m_failure = status;
}

void BackgroundHistoryRecorder::Push(Item item)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_finishing)
            return;
        m_queue.push_back(std::move(item));
    }
    m_wake.notify_one();
    DeliverWarning();
}

void BackgroundHistoryRecorder::Record(MeasurementRecord record)
{
    Push(Item{std::vector<MeasurementRecord>{std::move(record)}});
}

void BackgroundHistoryRecorder::Record(std::vector<MeasurementRecord> records)
{
    if (!records.empty())
        Push(Item{std::move(records)});
}

void BackgroundHistoryRecorder::Record(ClockStepRecord step) { Push(Item{std::move(step)}); }

void BackgroundHistoryRecorder::DeliverWarning()
{
    std::optional<Failure> warning;
    {
        const std::lock_guard lock(m_mutex);
        warning.swap(m_warning);
    }
    if (warning && m_warn)
        m_warn(*warning);
}

HistoryStatus BackgroundHistoryRecorder::Finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    DeliverWarning();
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace brisvander
