#include "SurveyKeyExchange.h"

#include "ErrorCodes.h"

#include <cerrno>

namespace brisvander {

bool FoundNoNts(const Failure& failure)
{
    switch (failure.Kind) {
    case FailureKind::NtsNoConnection: return failure.SystemError == ECONNREFUSED;
    case FailureKind::NtsTimedOut:
    case FailureKind::NtsNoAlpn: return true;
    default: return false;
    }
}

SurveyKeyExchange ExchangeKeysForSurvey(const std::string& host, int port, const SurveyNts& nts,
                                        const HostResolver& resolve)
{
    NtsKeOptions options;
    // "[::1]" names the address ::1, for TLS and its certificate check too.
    options.Host = std::string(WithoutBrackets(host));
    options.Port = nts.KeyExchangePort;
    options.ExtraCaFile = nts.ExtraCaFile;
    options.Deadline = std::chrono::steady_clock::now() + nts.KeyExchangeTimeout;
    Expected<NtsSession> established = RunNtsKeyExchange(options);

    SurveyKeyExchange outcome;
    if (established) {
        const NtsSession& session = established.Value();
        const std::string ntpHost = session.NtpServer.empty() ? host : session.NtpServer;
        outcome.Resolved = resolve(ntpHost, session.NtpPort != 0 ? session.NtpPort : port);
        outcome.Session = std::move(established.Value());
        return outcome;
    }
    if (nts.Mode == SurveyNtsMode::WhereOffered && FoundNoNts(established.Error())) {
        outcome.Resolved = resolve(host, port);
        return outcome;
    }
    outcome.Problem = established.Error();
    outcome.Resolved.Error = ErrorCode::KeyExchangeFailed;
    return outcome;
}

} // namespace brisvander
