#include "TimeCommand.h"

#include "ErrorCodes.h"
#include "HostText.h"
#include "LastError.h"

namespace brisvander {

namespace {
SampleOutcome Sampled(bool succeeded, const SntpResult& result)
{
    SampleOutcome sample;
    sample.Succeeded = succeeded;
    sample.Result = result;
    if (!succeeded)
        sample.Error = GetLastError();
    return sample;
}

// The exchanges of the run; with NTS one key exchange serves them all.
std::vector<SampleOutcome> RunExchanges(SntpClient& client, const std::string& host, int port,
                                        const TimeCommandOptions& options, TimeCommandOutcome& outcome)
{
    outcome.QueriedPort = port;
    if (!options.Nts.Enabled) {
        return RunSampleSeries(options.Series, [&] {
            SntpResult result;
            return Sampled(client.QueryServer(host.c_str(), result, port) != 0, result);
        }, options.Pause);
    }
    NtsAssociation association = EstablishNts(host, port, options.Nts);
    outcome.NtsServer = association.KeyExchangeServer;
    outcome.NtsFailure = association.Failure;
    outcome.QueriedPort = association.NtpPort;
    if (!association.Session) {
        SampleOutcome failed;
        failed.Error = ErrorCode::KeyExchangeFailed;
        return {failed};
    }
    return RunSampleSeries(options.Series, [&] {
        SntpResult result;
        return Sampled(QueryAuthenticated(client, association, result) != 0, result);
    }, options.Pause);
}
} // namespace

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const TimeCommandOptions& options)
{
    TimeCommandOutcome outcome;
    outcome.QueriedHost = TrimmedHost(host);
    outcome.Report = ReportPreamble(command, host);
    outcome.Samples = RunExchanges(client, outcome.QueriedHost, port, options, outcome);
    outcome.Chosen = ChooseSample(outcome.Samples);
    if (!outcome.Chosen) {
        outcome.Error = outcome.Samples.back().Error;
        outcome.Report += ReportQueryFailure(outcome.Error, outcome.NtsFailure);
        return outcome;
    }
    outcome.QuerySucceeded = true;
    outcome.Authenticated = options.Nts.Enabled;
    outcome.Result = outcome.Samples[*outcome.Chosen].Result;
    outcome.Report += ReportSuccessBody(outcome.Result);
    if (outcome.Authenticated)
        outcome.Report += ReportAuthenticatedBy(outcome.NtsServer);
    if (command == ReportCommand::Sync && (!options.MayTouchClock || options.MayTouchClock())) {
        // The clock moves by the offset from now, not to the server's old transmit time.
        const NtpTimestamp now = NtpTimestamp::Now();
        const NtpTimestamp target = now.AddSeconds(outcome.Result.ClockOffset);
        outcome.ClockAttempted = true;
        outcome.ClockSet = client.SetSystemClock(target, now) != 0;
        outcome.Clock = client.LastClockSetting;
        outcome.Report += ReportClockOutcome(outcome.Clock);
    }
    return outcome;
}

} // namespace brisvander
