#pragma once
// Reading the history back in time order, a row at a time (forward-only
// queries: a million rows cost no memory of their own). On the store's
// thread only (HistoryStore.h).
#include "DriftFit.h"
#include "HistoryRecords.h"
#include "HistoryStatus.h"
#include "HistoryStore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvander {

struct HistoryFilter {
    std::optional<std::int64_t> SinceMicroseconds; // rows at or after this UTC Unix time only
    std::optional<std::string> Host;               // rows of this host only, as queried (exact)
};

// Each visitor returns false to stop early; the status is then Ok. Rows a
// newer or tampered file holds with a source or way this program does not
// know are passed over.
HistoryStatus ForEachMeasurement(const HistoryStore& store, const HistoryFilter& filter,
                                 const std::function<bool(const MeasurementRecord&)>& visit);
HistoryStatus ForEachStep(const HistoryStore& store, const HistoryFilter& filter,
                          const std::function<bool(const ClockStepRecord&)>& visit);

// Measurements and steps merged in one time order; a step comes before a
// measurement of the same microsecond.
HistoryStatus ForEachEntry(const HistoryStore& store, const HistoryFilter& filter,
                           const std::function<bool(const HistoryEntry&)>& visit);

// The successful measurements' time, offset and delay with their host and
// row id, in the order they were written (row ids only grow): the few
// columns the drift needs, read without the time index.
HistoryStatus ForEachDriftPoint(
    const HistoryStore& store, const HistoryFilter& filter,
    const std::function<void(std::string_view host, std::int64_t id, const DriftPoint&)>& visit);

// Where each step of the clock falls among the measurements: the id of the
// last measurement written before it (0: none), in the order of writing.
HistoryStatus ReadStepPositions(const HistoryStore& store, std::vector<std::int64_t>& positions);

} // namespace brisvander
