#pragma once
// Histories made up for the windows' tests, their screenshots and their
// benchmark: measurements of a few servers whose offsets fall as a clock
// running `DriftPpm` fast makes them, one every `Every` microseconds (the
// servers taking turns), perhaps one step of the clock, written through the
// history room's store; and a state folder of a test's own to put it in.
#include "HistoryStatus.h"

#include <QTemporaryDir>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander::testsupport {

struct SyntheticHistory {
    std::vector<std::string> Hosts{"a.test", "b.test"};
    std::int64_t FromMicroseconds = 0;      // the first measurement's time, UTC Unix
    std::int64_t EveryMicroseconds = 10'000'000;
    std::int64_t Count = 100;               // measurements of all servers together
    double DriftPpm = 50;                   // positive: the local clock runs fast
    double FirstOffsetSeconds = 0.02;       // the offset at FromMicroseconds
    double DelaySeconds = 0.004;
    double NoiseSeconds = 0;                // spread of each offset around the line (seeded, repeatable)
    std::optional<std::int64_t> StepAfter;  // a step of the clock after this many measurements
    double StepSeconds = 0.5;               // its size; the offsets after it are this much smaller
};

// The time of measurement `index` and its offset as the description makes it.
std::int64_t SyntheticTime(const SyntheticHistory& history, std::int64_t index);
double SyntheticOffset(const SyntheticHistory& history, std::int64_t index);

// Appends the measurements (and the step) to the history file at `path`.
HistoryStatus WriteSyntheticHistory(const std::string& path, const SyntheticHistory& history);

// $XDG_STATE_HOME pointed at a folder of its own while this lives (the
// value before comes back at its end), so that DefaultHistoryPath() names
// a file in it.
class StateHomeSandbox {
public:
    StateHomeSandbox();
    ~StateHomeSandbox();
    StateHomeSandbox(const StateHomeSandbox&) = delete;
    StateHomeSandbox& operator=(const StateHomeSandbox&) = delete;

    std::string HistoryPath() const; // DefaultHistoryPath() while this lives

private:
    QTemporaryDir m_folder;
    std::optional<std::string> m_before;
};

// Now by the real clock, UTC Unix microseconds.
std::int64_t NowMicroseconds();

} // namespace brisvander::testsupport
