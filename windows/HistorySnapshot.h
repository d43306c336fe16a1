#pragma once
// What the Verlauf window shows, read from the history file off the
// window's thread: each server's successful measurements in a span of time,
// the clock's steps in it, and the drift worked out from the same rows in
// the same pass.
#include "DriftEstimator.h"
#include "DriftFit.h"
#include "HistoryRecords.h"
#include "HistoryStatus.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvander {

enum class HistorySpan { LastHour, LastDay, LastWeek, All };

// The earliest time (UTC Unix microseconds) the span ending at `now` holds;
// none for All.
std::optional<std::int64_t> SpanStart(HistorySpan span, std::int64_t nowMicroseconds);

struct ServerHistory {
    std::string Host;
    std::vector<DriftPoint> Points;   // in the order they were written
    std::size_t LastSegmentStart = 0; // the first of Points after the latest step of the clock
};

// Why there is nothing to draw, if so.
enum class HistoryContent {
    Measurements, // at least one successful measurement in the span
    None,         // no history file, or no successful measurement in it at all
    NoneInSpan,   // some, but none in the span chosen
    Unreadable,   // the file could not be read: Status says why
};

struct HistorySnapshot {
    HistoryContent Content = HistoryContent::None;
    HistoryStatus Status = HistoryStatus::Ok;
    std::optional<std::int64_t> Since;    // the span's start; none: everything
    std::int64_t Until = 0;               // when the span ends: the time of reading
    std::vector<ServerHistory> Servers;   // ordered by host
    std::vector<ClockStepRecord> Steps;   // in the span, in time order
    DriftReport Drift;                    // from the span's measurements

    // The measurements of every server together.
    std::size_t MeasurementCount() const;
    // One more measurement at the end of its server's series, as a live
    // watch brings it; the drift stays the one read.
    void Append(std::string_view host, const DriftPoint& point);
};

// Opens the file at `path` read-only in spirit (a missing file is not
// created) on the calling thread, reads and closes it.
HistorySnapshot ReadHistorySnapshot(const std::string& path, HistorySpan span, std::int64_t nowMicroseconds);

} // namespace brisvander
