#include "TimeCommand.h"

#include "HostText.h"
#include "LastError.h"

namespace brisvander {

namespace {
SampleOutcome QueryOnce(SntpClient& client, const std::string& host, int port)
{
    SampleOutcome sample;
    sample.Succeeded = client.QueryServer(host.c_str(), sample.Result, port) != 0;
    if (!sample.Succeeded)
        sample.Error = GetLastError();
    return sample;
}
} // namespace

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client)
{
    return RunTimeCommand(command, host, port, client, SeriesPlan{});
}

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const SeriesPlan& plan, const SamplePause& pause)
{
    TimeCommandOutcome outcome;
    outcome.QueriedHost = TrimmedHost(host);
    outcome.Report = ReportPreamble(command, host);
    outcome.Samples = RunSampleSeries(plan, [&] { return QueryOnce(client, outcome.QueriedHost, port); }, pause);
    outcome.Chosen = ChooseSample(outcome.Samples);
    if (!outcome.Chosen) {
        outcome.Error = outcome.Samples.back().Error;
        outcome.Report += ReportQueryFailure(outcome.Error);
        return outcome;
    }
    outcome.QuerySucceeded = true;
    outcome.Result = outcome.Samples[*outcome.Chosen].Result;
    outcome.Report += ReportSuccessBody(outcome.Result);
    if (command == ReportCommand::Sync) {
        // The clock moves by the offset from now, not to the server's old transmit time.
        const NtpTimestamp now = NtpTimestamp::Now();
        const NtpTimestamp target = now.AddSeconds(outcome.Result.ClockOffset);
        outcome.ClockAttempted = true;
        outcome.ClockSet = client.SetSystemClock(target, now) != 0;
        outcome.Report += ReportClockOutcome(outcome.ClockSet);
    }
    return outcome;
}

} // namespace brisvander
