#pragma once
// Several exchanges with one server, and the choice among them: the one with
// the smallest round-trip delay, whose offset the path's queueing disturbed
// least. The query and the pause are parameters, so the series runs in tests
// without a network or a wait.
#include "Platform.h"
#include "SampleOutcome.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace brisvander {

inline constexpr int MaxSamples = 8;
inline constexpr std::chrono::milliseconds DefaultSampleInterval{2000};
// Public servers rate-limit clients that ask more often.
inline constexpr std::chrono::milliseconds MinSampleInterval{200};

struct SeriesPlan {
    int Count = 1;                                 // exchanges asked for, 1 to MaxSamples
    std::chrono::milliseconds Interval = DefaultSampleInterval; // from the end of one to the start of the next
};

using SampleQuery = std::function<SampleOutcome()>;
using SamplePause = std::function<void(std::chrono::milliseconds)>;
// Asked before every exchange after the first: false when no further one can
// be made (an NTS session out of cookies). Empty: always true.
using SampleReady = std::function<bool()>;

// What one query came to: `answered` as QueryServer returned it, and the
// thread's last error when it failed.
SampleOutcome SampleOfQuery(BOOL answered, const SntpResult& result);

// The index of the succeeded sample with the smallest round-trip delay (the
// earliest of equals); empty when none succeeded.
std::optional<std::size_t> ChooseSample(const std::vector<SampleOutcome>& samples);

// Runs plan.Count exchanges (at least one, at most MaxSamples) with a pause
// of plan.Interval between them. A server that says it is not synchronised
// (Kiss-o'-Death included) ends the series at once: it is not asked again;
// an Unproven failure does not. The series also ends, before its pause,
// when `ready` says no further exchange can be made.
std::vector<SampleOutcome> RunSampleSeries(const SeriesPlan& plan, const SampleQuery& query,
                                           const SamplePause& pause, const SampleReady& ready = {});

// Blocks the calling thread for `interval`.
void SleepFor(std::chrono::milliseconds interval);

} // namespace brisvander
