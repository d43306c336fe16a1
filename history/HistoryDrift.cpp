#include "HistoryDrift.h"

namespace brisvander {

HistoryDriftResult EstimateDriftFromHistory(const HistoryStore& store, const HistoryFilter& filter)
{
    std::vector<std::int64_t> steps;
    HistoryDriftResult result;
    result.Status = ForEachStep(store, HistoryFilter{}, [&steps](const ClockStepRecord& step) {
        steps.push_back(step.UnixMicroseconds);
        return true;
    });
    if (result.Status != HistoryStatus::Ok)
        return result;
    DriftEstimator estimator(std::move(steps));
    result.Status = ForEachDriftPoint(store, filter, [&estimator](std::string_view host, const DriftPoint& point) {
        estimator.Add(host, point);
    });
    if (result.Status == HistoryStatus::Ok)
        result.Report = estimator.Finish();
    return result;
}

} // namespace brisvander
