#pragma once
// The drift from what the history holds: every step of the clock cuts the
// segments where it was written among the measurements, the filter chooses
// the measurements. On the store's thread.
#include "DriftEstimator.h"
#include "HistoryReader.h"

namespace brisvander {

struct HistoryDriftResult {
    HistoryStatus Status = HistoryStatus::Ok;
    DriftReport Report; // empty unless Status is Ok
};

// Reads the steps (all of them: any step cuts every server's segment), then
// streams the successful measurements the filter lets through, in the
// order they were written.
HistoryDriftResult EstimateDriftFromHistory(const HistoryStore& store, const HistoryFilter& filter);

} // namespace brisvander
