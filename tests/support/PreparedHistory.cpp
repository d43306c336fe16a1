#include "PreparedHistory.h"

#include "HistoryStore.h"

#include <chrono>
#include <cstdlib>
#include <random>

namespace brisvander::testsupport {

std::int64_t SyntheticTime(const SyntheticHistory& history, std::int64_t index)
{
    return history.FromMicroseconds + index * history.EveryMicroseconds;
}

double SyntheticOffset(const SyntheticHistory& history, std::int64_t index)
{
    const double elapsed = static_cast<double>(SyntheticTime(history, index) - history.FromMicroseconds) * 1e-6;
    const bool stepped = history.StepAfter && index >= *history.StepAfter;
    return history.FirstOffsetSeconds - history.DriftPpm * 1e-6 * elapsed - (stepped ? history.StepSeconds : 0.0);
}

HistoryStatus WriteSyntheticHistory(const std::string& path, const SyntheticHistory& history)
{
    HistoryStore store;
    if (const HistoryStatus status = store.Open(path); status != HistoryStatus::Ok)
        return status;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, history.NoiseSeconds > 0 ? history.NoiseSeconds : 1.0);
    std::vector<MeasurementRecord> batch;
    const auto flush = [&store, &batch] {
        const HistoryStatus status = batch.empty() ? HistoryStatus::Ok : store.AppendMeasurements(batch);
        batch.clear();
        return status;
    };
    for (std::int64_t i = 0; i < history.Count; ++i) {
        if (history.StepAfter && i == *history.StepAfter) {
            if (const HistoryStatus status = flush(); status != HistoryStatus::Ok)
                return status;
            const ClockStepRecord step{SyntheticTime(history, i) - history.EveryMicroseconds / 2,
                                       history.Hosts.front(), history.StepSeconds, StepWay::Service};
            if (const HistoryStatus status = store.AppendStep(step); status != HistoryStatus::Ok)
                return status;
        }
        MeasurementRecord record;
        record.UnixMicroseconds = SyntheticTime(history, i);
        record.Host = history.Hosts[static_cast<std::size_t>(i) % history.Hosts.size()];
        record.Address = "127.0.0.1";
        record.Source = MeasurementSource::Watch;
        record.Succeeded = true;
        record.OffsetSeconds = SyntheticOffset(history, i) + (history.NoiseSeconds > 0 ? noise(random) : 0.0);
        record.DelaySeconds = history.DelaySeconds;
        record.Stratum = 2;
        batch.push_back(record);
        if (batch.size() == 10000)
            if (const HistoryStatus status = flush(); status != HistoryStatus::Ok)
                return status;
    }
    return flush();
}

StateHomeSandbox::StateHomeSandbox()
{
    if (const char* before = std::getenv("XDG_STATE_HOME"))
        m_before = before;
    setenv("XDG_STATE_HOME", m_folder.path().toLocal8Bit().constData(), 1);
}

StateHomeSandbox::~StateHomeSandbox()
{
    if (m_before)
        setenv("XDG_STATE_HOME", m_before->c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

std::string StateHomeSandbox::HistoryPath() const { return DefaultHistoryPath(); }

std::int64_t NowMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace brisvander::testsupport
