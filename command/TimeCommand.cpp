#include "TimeCommand.h"

#include "ErrorCodes.h"
#include "FailureText.h"
#include "HostAddress.h"
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
    outcome.NtsMayBeMissing = association.Problem && ServerMayLackNts(association.Problem->Kind);
    outcome.QueriedPort = association.NtpPort;
    if (!association.Session) {
        outcome.QueryFailure = association.Problem;
        SampleOutcome failed;
        failed.Error = ErrorCode::KeyExchangeFailed;
        return {failed};
    }
    if (!association.Session->NtpServer.empty() && association.NtpHost != WithoutBrackets(host))
        outcome.NamedNtpServer = association.NtpHost;
    std::vector<SampleOutcome> samples = RunSampleSeries(
        options.Series,
        [&] {
            SntpResult result;
            SampleOutcome sample = Sampled(QueryAuthenticated(client, association, result) != 0, result);
            sample.Unproven = client.LastFailureUnproven;
            return sample;
        },
        options.Pause,
        [&] {
            outcome.CookiesRanOut = association.Session->Cookies.empty();
            return !outcome.CookiesRanOut;
        });
    if (!ChooseSample(samples) && samples.back().Error == ErrorCode::KeyExchangeFailed)
        outcome.QueryFailure = association.Problem;
    return samples;
}

// The line after the error number: why a key exchange failed, or which
// server the key exchange sent the failed exchanges to.
std::string QueryFailureReason(const TimeCommandOutcome& outcome)
{
    if (outcome.Error == ErrorCode::KeyExchangeFailed)
        return outcome.NtsMayBeMissing ? ReportServerMayLackNts(outcome.NtsFailure) : outcome.NtsFailure;
    if (!outcome.NamedNtpServer.empty())
        return ReportNamedNtpServer(outcome.NamedNtpServer, outcome.QueriedPort);
    return {};
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
        if (!outcome.QueryFailure)
            outcome.QueryFailure = NumberedFailure(outcome.Samples.back().Error);
        outcome.Error = outcome.QueryFailure->Number;
        if (outcome.Error == ErrorCode::KeyExchangeFailed)
            outcome.NtsFailure = FailureText(*outcome.QueryFailure);
        outcome.Report += ReportQueryFailure(outcome.Error, QueryFailureReason(outcome));
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
        outcome.ClockFailure = client.LastClockFailure;
        outcome.Report += ReportClockOutcome(outcome.ClockFailure);
    }
    return outcome;
}

} // namespace brisvander
