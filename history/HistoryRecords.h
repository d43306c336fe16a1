#pragma once
// What the history keeps: one row per measurement (an exchange with a
// server, answered or not) and one per step of the local clock. Plain data,
// no Qt. Times are UTC Unix time in microseconds as the local clock read
// them; offsets are server minus local, as in the report.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace brisvander {

// What made a measurement: the Info and Abgleichen commands, one exchange
// of a --samples series, a line of a watch, or a survey of servers.
enum class MeasurementSource { Info, Sync, Sample, Watch, Survey };

// How the clock was stepped: the process's own capability, or the desktop's
// time service.
enum class StepWay { Capability, Service };

struct MeasurementRecord {
    std::int64_t UnixMicroseconds = 0;   // when the exchange ended, UTC
    std::string Host;                    // as queried (trimmed, not escaped)
    std::optional<std::string> Address;  // the address asked, where known
    int Port = 123;
    MeasurementSource Source = MeasurementSource::Info;
    bool Succeeded = false;
    std::int64_t Error = 0;              // the program's error number; 0 on success
    std::optional<double> OffsetSeconds; // server minus local; set when Succeeded
    std::optional<double> DelaySeconds;  // round-trip delay; set when Succeeded
    std::optional<int> Stratum;
    std::optional<double> RootDelaySeconds;
    std::optional<double> RootDispersionSeconds;
    bool Nts = false;                    // the reply was authenticated
    bool Interleaved = false;            // the reply was an interleaved one
};

struct ClockStepRecord {
    std::int64_t UnixMicroseconds = 0; // when the clock was stepped, UTC, read before the step
    std::string Host;                  // the server whose offset was applied
    double StepSeconds = 0;            // positive: the clock was set forward
    StepWay Way = StepWay::Capability;
};

// One line of a listing: measurements and steps share one time order.
using HistoryEntry = std::variant<MeasurementRecord, ClockStepRecord>;

// The names the file, CSV and JSON use: "info", "sync", "sample", "watch",
// "survey"; "capability", "service". Parsing returns nothing for any other
// text.
std::string_view MeasurementSourceName(MeasurementSource source);
std::optional<MeasurementSource> ParseMeasurementSource(std::string_view name);
std::string_view StepWayName(StepWay way);
std::optional<StepWay> ParseStepWay(std::string_view name);

} // namespace brisvander
