#pragma once
// What a watch has seen so far, as its summary line gives it: counts, the
// offsets' spread, and the local clock's drift from the watch's own answers.
// Pure arithmetic.
#include "DriftEstimator.h"
#include "DriftFit.h"
#include "SampleOutcome.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace brisvander {

struct WatchSummary {
    int Exchanges = 0;                  // exchanges made
    int Answered = 0;                   // of them, answered
    std::optional<double> OffsetMin;    // seconds, server minus local; empty without an answer
    std::optional<double> OffsetMedian; // the middle one; of an even count, the mean of the middle two
    std::optional<double> OffsetMax;
    std::optional<double> Jitter;       // seconds: root mean square of the differences between successive
                                        // answered offsets; empty with fewer than two answers
    std::optional<DriftEstimate> Drift; // as the history's drift has it (positive: the local clock runs fast);
                                        // empty with fewer than 5 answers or less than a minute
};

class WatchStatistics {
public:
    // One exchange, answered or not; `unixMicroseconds` is its time (MeasurementOf's).
    void Add(const SampleOutcome& sample, std::int64_t unixMicroseconds);
    // The largest |offset| answered so far, seconds; 0 before the first answer.
    double LargestOffsetMagnitude() const { return m_largest; }
    WatchSummary Summary() const;

private:
    int m_exchanges = 0;
    std::vector<DriftPoint> m_points; // the answers, in the order measured
    double m_squaredSteps = 0;        // sum of squared differences between successive offsets
    double m_largest = 0;
};

} // namespace brisvander
