#include "TimeCommand.h"

#include "ErrorCodes.h"
#include "FailureText.h"
#include "HostText.h"
#include "LastError.h"
#include "MeasurementRecords.h"
#include "NtsSeries.h"

namespace brisvander {

namespace {
std::vector<SampleOutcome> RunPlainExchanges(SntpClient& client, const std::string& host, int port,
                                             const TimeCommandOptions& options)
{
    return RunSampleSeries(options.Series, [&] {
        SntpResult result;
        return SampleOfQuery(client.QueryServer(host.c_str(), result, port), result);
    }, options.Pause);
}

// The exchanges of the run over one NTS association; what it did not use is kept.
std::vector<SampleOutcome> RunNtsExchanges(SntpClient& client, NtsAssociation& association,
                                           const TimeCommandOptions& options, TimeCommandOutcome& outcome)
{
    const NtsSessionSource first = association.Source;
    NtsSeriesOutcome series = RunNtsSeries(client, association, options.Nts, options.Series, options.Pause);
    KeepNtsSession(association, options.Nts);
    outcome.QueriedPort = association.NtpPort;
    if (association.NtpHost != association.StoreHost)
        outcome.NamedNtpServer = association.NtpHost;
    outcome.CookiesRanOut = series.CookiesRanOut;
    outcome.NtsSession = association.KeyExchanged ? NtsSessionSource::KeyExchange : first;
    outcome.NtsCookiesLeft = association.Session ? association.Session->Cookies.size() : 0;
    outcome.NtsCertificatePeriodUnchecked = association.CertificatePeriodUnchecked;
    if (!ChooseSample(series.Samples))
        outcome.QueryFailure = series.LastFailure;
    return std::move(series.Samples);
}

// The exchanges of the run: with NTS, one association serves them all, and a
// server that offers none is asked plainly where that is allowed.
std::vector<SampleOutcome> RunExchanges(SntpClient& client, const std::string& host, int port,
                                        const TimeCommandOptions& options, TimeCommandOutcome& outcome)
{
    outcome.QueriedPort = port;
    if (options.Series.Count >= InterleavedSeriesMinimum)
        client.Interleaving.emplace();
    if (!options.Nts.Enabled)
        return RunPlainExchanges(client, host, port, options);
    NtsAssociation association = EstablishNts(host, port, options.Nts);
    outcome.NtsServer = association.KeyExchangeServer;
    std::vector<SampleOutcome> samples;
    if (association.Session) {
        samples = RunNtsExchanges(client, association, options, outcome);
    } else if (options.Nts.FallBackToPlain && ServerOffersNoNts(*association.Problem)) {
        outcome.NtsNotUsed = FailureText(*association.Problem);
        samples = RunPlainExchanges(client, host, port, options);
    } else {
        outcome.NtsMayBeMissing = ServerMayLackNts(association.Problem->Kind);
        outcome.QueryFailure = association.Problem;
        SampleOutcome failed;
        failed.Error = ErrorCode::KeyExchangeFailed;
        failed.EndedAt = NtpTimestamp::Now();
        samples = {failed};
    }
    for (const Failure& warning : association.StoreWarnings)
        outcome.Warnings.push_back(FailureText(warning));
    return samples;
}

// The line after the error number: why a key exchange failed or the server
// refused the session, or which server the key exchange sent the failed
// exchanges to.
std::string QueryFailureReason(const TimeCommandOutcome& outcome, const NtsOptions& nts)
{
    if (outcome.Error == ErrorCode::KeyExchangeFailed && outcome.NtsMayBeMissing)
        return ReportServerMayLackNts(outcome.NtsFailure, nts.FallBackToPlain);
    if (!outcome.NtsFailure.empty())
        return outcome.NtsFailure;
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

// The line after the offset: whether and how NTS vouched for the time.
std::string NtsLine(const TimeCommandOutcome& outcome)
{
    if (outcome.Authenticated)
        return ReportAuthenticatedBy(outcome.NtsServer, outcome.NtsSession == NtsSessionSource::Stored,
                                     outcome.NtsCertificatePeriodUnchecked);
    if (!outcome.NtsNotUsed.empty())
        return ReportNotAuthenticated(outcome.NtsServer, outcome.NtsNotUsed);
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
    if (options.History != nullptr)
        options.History->Record(RunMeasurements(command, outcome, NtpTimestamp::LocalClockSecondsSince1900()));
    if (!outcome.Chosen) {
        if (!outcome.QueryFailure)
            outcome.QueryFailure = NumberedFailure(outcome.Samples.back().Error);
        outcome.Error = outcome.QueryFailure->Number;
        outcome.NtsFailure = FailureText(*outcome.QueryFailure);
        outcome.Report += ReportQueryFailure(outcome.Error, QueryFailureReason(outcome, options.Nts));
        return outcome;
    }
    outcome.QuerySucceeded = true;
    outcome.Authenticated = options.Nts.Enabled && outcome.NtsNotUsed.empty();
    outcome.Result = outcome.Samples[*outcome.Chosen].Result;
    outcome.Report += ReportSuccessBody(outcome.Result) + NtsLine(outcome);
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
