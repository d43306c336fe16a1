#include "TimeCommand.h"

#include "LastError.h"

namespace brisvander {

namespace {
bool Query(const std::string& host, int port, SntpClient& client, const NtsOptions& nts, TimeCommandOutcome& outcome)
{
    if (!nts.Enabled)
        return client.QueryServer(host.c_str(), outcome.Result, port) != 0;
    NtsQueryOutcome ntsOutcome;
    const bool ok = QueryServerWithNts(client, host, port, nts, outcome.Result, ntsOutcome) != 0;
    outcome.NtsServer = ntsOutcome.KeyExchangeServer;
    outcome.NtsFailure = ntsOutcome.Failure;
    outcome.Authenticated = ok;
    return ok;
}
} // namespace

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const NtsOptions& nts)
{
    TimeCommandOutcome outcome;
    outcome.Report = ReportPreamble(command, host);
    outcome.QuerySucceeded = Query(host, port, client, nts, outcome);
    if (!outcome.QuerySucceeded) {
        outcome.Error = GetLastError();
        outcome.Report += ReportQueryFailure(outcome.Error, outcome.NtsFailure);
        return outcome;
    }
    outcome.Report += ReportSuccessBody(outcome.Result);
    if (outcome.Authenticated)
        outcome.Report += ReportAuthenticatedBy(outcome.NtsServer);
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
