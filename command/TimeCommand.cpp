#include "TimeCommand.h"

#include "ErrorCodes.h"
#include "FailureText.h"
#include "HostAddress.h"
#include "HostText.h"
#include "LastError.h"
#include "MeasurementRecords.h"

namespace brisvander {

namespace {
// The exchanges of the run; with NTS one key exchange serves them all.
std::vector<SampleOutcome> RunExchanges(SntpClient& client, const std::string& host, int port,
                                        const TimeCommandOptions& options, TimeCommandOutcome& outcome)
{
    outcome.QueriedPort = port;
    if (options.Series.Count >= InterleavedSeriesMinimum)
        client.Interleaving.emplace();
    if (!options.Nts.Enabled) {
        return RunSampleSeries(options.Series, [&] {
            SntpResult result;
            return SampleOfQuery(client.QueryServer(host.c_str(), result, port), result);
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
        failed.EndedAt = NtpTimestamp::Now();
        return {failed};
    }
    if (!association.Session->NtpServer.empty() && association.NtpHost != WithoutBrackets(host))
        outcome.NamedNtpServer = association.NtpHost;
    std::vector<SampleOutcome> samples = RunSampleSeries(
        options.Series,
        [&] {
            SntpResult result;
            SampleOutcome sample = SampleOfQuery(QueryAuthenticated(client, association, result), result);
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

void RecordStep(const TimeCommandOutcome& outcome, const SntpClient& client, const NtpTimestamp& readAt,
                BackgroundHistoryRecorder& history)
{
    const StepWay way =
        client.LastRaise == ClockRightRaise::ByService ? StepWay::Service : StepWay::Capability;
    history.Record(ClockStepRecord{UnixMicrosecondsOf(readAt, NtpTimestamp::LocalClockSecondsSince1900()),
                                   outcome.QueriedHost, outcome.Result.ClockOffset, way});
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
    if (options.History != nullptr)
        options.History->Record(RunMeasurements(command, outcome, NtpTimestamp::LocalClockSecondsSince1900()));
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
        if (outcome.ClockSet && options.History != nullptr)
            RecordStep(outcome, client, now, *options.History);
    }
    return outcome;
}

} // namespace brisvander
