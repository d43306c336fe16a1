#include "TimeCommand.h"

#include "LastError.h"

namespace brisvander {

TimeCommandOutcome RunTimeCommand(ReportCommand command, const std::string& host, int port, SntpClient& client,
                                  const ClockGate& mayTouchClock)
{
    TimeCommandOutcome outcome;
    outcome.Report = ReportPreamble(command, host);
    outcome.QuerySucceeded = client.QueryServer(host.c_str(), outcome.Result, port) != 0;
    if (!outcome.QuerySucceeded) {
        outcome.Error = GetLastError();
        outcome.Report += ReportQueryFailure(outcome.Error);
        return outcome;
    }
    outcome.Report += ReportSuccessBody(outcome.Result);
    if (command == ReportCommand::Sync && (!mayTouchClock || mayTouchClock())) {
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
