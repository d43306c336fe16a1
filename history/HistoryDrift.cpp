#include "HistoryDrift.h"

namespace brisvander {

HistoryDriftResult EstimateDriftFromHistory(const HistoryStore& store, const HistoryFilter& filter)
{
    std::vector<std::int64_t> steps;
    HistoryDriftResult result;
    result.Status = ReadStepPositions(store, steps);
    if (result.Status != HistoryStatus::Ok)
        return result;
    DriftEstimator estimator(std::move(steps));
    result.Status = ForEachDriftPoint(store, filter,
                                      [&estimator](std::string_view host, std::int64_t id, const DriftPoint& point) {
                                          estimator.Add(host, id, point);
                                      });
    if (result.Status == HistoryStatus::Ok)
        result.Report = estimator.Finish();
    return result;
}

} // namespace brisvander
