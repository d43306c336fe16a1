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
    NtsKeResult established = RunNtsKeyExchange(keyExchange);
    if (!established.Ok()) {
        association.Failure = established.Failure.Reason;
        association.FailureKind = established.Failure.Kind;
        return association;
    }
    association.Session = std::move(established.Session);
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
    if (const std::optional<NtsSealStatus> failure = authenticator.SealFailure())
        association.Failure = NtsSealProblem(*failure);
    return answered;
}

bool ServerMayLackNts(NtsKeFailureKind kind)
{
    switch (kind) {
    case NtsKeFailureKind::Connect:
    case NtsKeFailureKind::Timeout:
    case NtsKeFailureKind::Tls:
    case NtsKeFailureKind::Alpn:
    case NtsKeFailureKind::Unsupported:
        return true;
    default:
        return false;
    }
}

} // namespace brisvander
