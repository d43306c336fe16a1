#pragma once
// What the history keeps of a run: one record per exchange made and one per
// step of the clock, from what the command layer already has. Pure
// functions; the caller hands the records to a recorder.
#include "HistoryRecords.h"
#include "ReportText.h"
#include "SampleOutcome.h"
#include "SurveyOutcome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisvander {

struct TimeCommandOutcome;

// UTC Unix microseconds of `timestamp`, placed in the NTP era nearest
// `pivotSecondsSince1900` (the local clock's NtpTimestamp::LocalClockSecondsSince1900).
std::int64_t UnixMicrosecondsOf(const NtpTimestamp& timestamp, std::int64_t pivotSecondsSince1900);

// Where and how an exchange was made.
struct ExchangeOrigin {
    std::string Host; // as queried
    int Port = 123;   // the NTP port asked
    MeasurementSource Source = MeasurementSource::Info;
    bool Nts = false; // the exchanges were authenticated
};

// One exchange: answered, with its figures, or failed, with its number.
// Its time is the answer's arrival (for an interleaved answer, the arrival
// of the exchange it completes), else when the exchange ended.
MeasurementRecord MeasurementOf(const SampleOutcome& sample, const ExchangeOrigin& origin,
                                std::int64_t pivotSecondsSince1900);

// Every exchange of an Info or Abgleichen run: the reported one under the
// command's name, the others of a series as "sample".
std::vector<MeasurementRecord> RunMeasurements(ReportCommand command, const TimeCommandOutcome& outcome,
                                               std::int64_t pivotSecondsSince1900);

// One "survey" record per host surveyed, at `unixMicroseconds` (when the
// survey ended); a host without an address has none.
std::vector<MeasurementRecord> SurveyMeasurements(const std::vector<HostSurvey>& hosts,
                                                  std::int64_t unixMicroseconds);

} // namespace brisvander
