#include "MeasurementRecords.h"

#include "TimeCommand.h"

namespace brisvander {

std::int64_t UnixMicrosecondsOf(const NtpTimestamp& timestamp, std::int64_t pivotSecondsSince1900)
{
    const std::int64_t seconds = timestamp.SecondsSince1900Near(pivotSecondsSince1900) - UnixEpochNtpSeconds;
    const auto micros = static_cast<std::int64_t>((std::uint64_t{timestamp.Fraction()} * 1'000'000) >> 32);
    return seconds * 1'000'000 + micros;
}

MeasurementRecord MeasurementOf(const SampleOutcome& sample, const ExchangeOrigin& origin,
                                std::int64_t pivotSecondsSince1900)
{
    MeasurementRecord record;
    record.Host = origin.Host;
    record.Port = origin.Port;
    record.Source = origin.Source;
    record.Nts = origin.Nts;
    record.Succeeded = sample.Succeeded;
    record.Error = sample.Succeeded ? 0 : sample.Error;
    const NtpTimestamp when = sample.Succeeded ? sample.Result.DestinationTimestamp : sample.EndedAt;
    record.UnixMicroseconds = UnixMicrosecondsOf(when, pivotSecondsSince1900);
    if (!sample.Succeeded)
        return record;
    const SntpResult& r = sample.Result;
    record.OffsetSeconds = r.ClockOffset;
    record.DelaySeconds = r.RoundtripDelay;
    record.Stratum = r.Stratum;
    record.RootDelaySeconds = r.RootDelaySeconds;
    record.RootDispersionSeconds = r.RootDispersionSeconds;
    record.Interleaved = r.Interleaved;
    return record;
}

std::vector<MeasurementRecord> RunMeasurements(ReportCommand command, const TimeCommandOutcome& outcome,
                                               std::int64_t pivotSecondsSince1900)
{
    const MeasurementSource own = command == ReportCommand::Sync ? MeasurementSource::Sync : MeasurementSource::Info;
    ExchangeOrigin origin{outcome.QueriedHost, outcome.QueriedPort, own, !outcome.NtsServer.empty()};
    // Without an answer the last exchange stands for the run, as its report does.
    const std::size_t reported = outcome.Chosen.value_or(outcome.Samples.size() - 1);
    std::vector<MeasurementRecord> records;
    for (std::size_t i = 0; i < outcome.Samples.size(); ++i) {
        origin.Source = i == reported ? own : MeasurementSource::Sample;
        records.push_back(MeasurementOf(outcome.Samples[i], origin, pivotSecondsSince1900));
    }
    return records;
}

std::vector<MeasurementRecord> SurveyMeasurements(const std::vector<HostSurvey>& hosts, std::int64_t unixMicroseconds)
{
    std::vector<MeasurementRecord> records;
    for (const HostSurvey& host : hosts) {
        MeasurementRecord record;
        record.UnixMicroseconds = unixMicroseconds;
        record.Host = host.Host;
        if (!host.Address.empty())
            record.Address = host.Address;
        record.Port = host.Port;
        record.Source = MeasurementSource::Survey;
        record.Succeeded = host.Answered();
        record.Error = host.Error;
        record.Nts = host.Nts;
        if (host.Answered()) {
            record.OffsetSeconds = host.Offset;
            record.DelaySeconds = host.Delay;
            record.Stratum = host.Stratum;
            record.RootDelaySeconds = host.RootDelay;
            record.RootDispersionSeconds = host.RootDispersion;
        }
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace brisvander
