#include "NtsQuery.h"

#include "ErrorCodes.h"
#include "LastError.h"
#include "NtsAuthenticator.h"
#include "NtsKeClient.h"

namespace brisvander {

namespace {
std::string KeyExchangeServerName(const std::string& host, std::uint16_t port)
{
    return port == NtsKeDefaultPort ? host : host + ":" + std::to_string(port);
}
} // namespace

BOOL QueryServerWithNts(SntpClient& client, const std::string& host, int port, const NtsOptions& options,
                        SntpResult& result, NtsQueryOutcome& outcome)
{
    outcome.KeyExchangeServer = KeyExchangeServerName(host, options.KeyExchangePort);
    NtsKeOptions keyExchange;
    keyExchange.Host = host;
    keyExchange.Port = options.KeyExchangePort;
    keyExchange.ExtraCaFile = options.ExtraCaFile;
    keyExchange.Deadline = std::chrono::steady_clock::now() + NtsKeTimeout;
    NtsKeResult established = RunNtsKeyExchange(keyExchange);
    if (!established.Ok()) {
        outcome.Failure = established.Failure.Reason;
        SetLastError(ErrorCode::KeyExchangeFailed);
        return false;
    }

    NtsSession& session = *established.Session;
    const std::string ntpHost = session.NtpServer.empty() ? host : session.NtpServer;
    const int ntpPort = session.NtpPort != 0 ? session.NtpPort : port;
    NtsAuthenticator authenticator(session);
    return client.QueryServer(ntpHost.c_str(), result, ntpPort, authenticator);
}

} // namespace brisvander
