#include "NtsQuery.h"

#include "ErrorCodes.h"
#include "HostAddress.h"
#include "LastError.h"
#include "NtsAuthenticator.h"
#include "NtsKeClient.h"

namespace brisvander {

NtsAssociation EstablishNts(const std::string& typedHost, int port, const NtsOptions& options)
{
    // "[::1]" names the address ::1, for TLS and its certificate check too.
    const std::string host(WithoutBrackets(typedHost));
    NtsAssociation association;
    association.NtpHost = host;
    association.NtpPort = port;
    association.KeyExchangeServer =
        options.KeyExchangePort == NtsKeDefaultPort ? host : host + ":" + std::to_string(options.KeyExchangePort);
    NtsKeOptions keyExchange;
    keyExchange.Host = host;
    keyExchange.Port = options.KeyExchangePort;
    keyExchange.ExtraCaFile = options.ExtraCaFile;
    keyExchange.Deadline = std::chrono::steady_clock::now() + NtsKeTimeout;
    Expected<NtsSession> established = RunNtsKeyExchange(keyExchange);
    if (!established) {
        association.Problem = established.Error();
        return association;
    }
    association.Session = std::move(established.Value());
    association.NtpHost = association.Session->NtpServer.empty() ? host : association.Session->NtpServer;
    association.NtpPort = association.Session->NtpPort != 0 ? association.Session->NtpPort : port;
    return association;
}

BOOL QueryAuthenticated(SntpClient& client, NtsAssociation& association, SntpResult& result)
{
    if (!association.Session) {
        SetLastError(ErrorCode::KeyExchangeFailed);
        return false;
    }
    NtsAuthenticator authenticator(*association.Session);
    const BOOL answered = client.QueryServer(association.NtpHost.c_str(), result, association.NtpPort, authenticator);
    // Never a 20004 without its reason.
    if (authenticator.SealFailure())
        association.Problem = authenticator.SealFailure();
    return answered;
}

bool ServerMayLackNts(FailureKind kind)
{
    switch (kind) {
    case FailureKind::NtsNoConnection:
    case FailureKind::NtsConnectionBroken:
    case FailureKind::NtsWaitFailed:
    case FailureKind::NtsServerHungUp:
    case FailureKind::NtsTimedOut:
    case FailureKind::NtsNoTls13:
    case FailureKind::NtsClosedInHandshake:
    case FailureKind::NtsHandshakeFailed:
    case FailureKind::NtsTlsFailed:
    case FailureKind::NtsNoAlpn:
    case FailureKind::NtsNoNtpV4:
    case FailureKind::NtsNoAesSiv:
        return true;
    default:
        return false;
    }
}

} // namespace brisvander
