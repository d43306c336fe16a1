#include "NtsQuery.h"

#include "ClockReader.h"
#include "ErrorCodes.h"
#include "HostAddress.h"
#include "LastError.h"
#include "NtsAuthenticator.h"
#include "NtsKeClient.h"
#include "NtsSessionStore.h"
#include "NtsTrustIdentity.h"

#include <cerrno>

namespace brisvander {

namespace {
std::int64_t LocalUnixSeconds() { return CurrentClockReader().ReadRealtime().tv_sec; }

// What the run's certificate checks rest on; a session is used again only under the same.
std::optional<std::string> TrustOf(const NtsOptions& options)
{
    std::optional<std::string> trust =
        options.ExtraCaFile.empty() ? SystemTrustIdentity() : CaFileTrustIdentity(options.ExtraCaFile);
    if (trust && options.IgnoreCertificatePeriod)
        trust = TrustIgnoringCertificatePeriod(*trust);
    return trust;
}

void UseSession(NtsAssociation& association, NtsSession session, NtsSessionSource source)
{
    association.Session = std::move(session);
    association.Source = source;
    association.Problem.reset();
    association.NtpHost = association.Session->NtpServer.empty() ? association.StoreHost : association.Session->NtpServer;
    association.NtpPort = association.Session->NtpPort != 0 ? association.Session->NtpPort : association.GivenPort;
}

bool TakeStoredSession(NtsAssociation& association, const NtsOptions& options)
{
    if (options.StoreFolder.empty() || !association.Trust)
        return false;
    NtsTakeResult taken = NtsSessionStore(options.StoreFolder)
                              .Take(association.StoreHost, options.KeyExchangePort, *association.Trust,
                                    LocalUnixSeconds());
    if (taken.Warning)
        association.StoreWarnings.push_back(std::move(*taken.Warning));
    if (taken.Status != NtsTakeStatus::Taken)
        return false;
    UseSession(association, std::move(*taken.Session), NtsSessionSource::Stored);
    association.KeyExchangeTime = taken.KeyExchangeTime;
    // Its trust identity says so: only a run that ignores the period takes such a session.
    association.CertificatePeriodUnchecked = options.IgnoreCertificatePeriod;
    return true;
}

bool KeyExchange(NtsAssociation& association, const NtsOptions& options, std::chrono::seconds bound)
{
    NtsKeOptions keyExchange;
    keyExchange.Host = association.StoreHost;
    keyExchange.Port = options.KeyExchangePort;
    keyExchange.ExtraCaFile = options.ExtraCaFile;
    keyExchange.IgnoreCertificatePeriod = options.IgnoreCertificatePeriod;
    keyExchange.Deadline = std::chrono::steady_clock::now() + bound;
    Expected<NtsSession> established = RunNtsKeyExchange(keyExchange);
    if (!established) {
        association.Session.reset();
        association.Problem = established.Error();
        return false;
    }
    UseSession(association, std::move(established.Value()), NtsSessionSource::KeyExchange);
    association.KeyExchanged = true;
    association.KeyExchangeTime = LocalUnixSeconds();
    association.CertificatePeriodUnchecked = options.IgnoreCertificatePeriod;
    return true;
}
} // namespace

NtsAssociation EstablishNts(const std::string& typedHost, int port, const NtsOptions& options)
{
    // "[::1]" names the address ::1, for TLS and its certificate check too.
    const std::string host(WithoutBrackets(typedHost));
    NtsAssociation association;
    association.StoreHost = host;
    association.GivenPort = port;
    association.NtpHost = host;
    association.NtpPort = port;
    association.KeyExchangeServer =
        options.KeyExchangePort == NtsKeDefaultPort ? host : host + ":" + std::to_string(options.KeyExchangePort);
    association.Trust = TrustOf(options);
    if (!TakeStoredSession(association, options))
        KeyExchange(association, options, options.FallBackToPlain ? NtsOfferedKeTimeout : NtsKeTimeout);
    return association;
}

bool RenewNts(NtsAssociation& association, const NtsOptions& options)
{
    if (association.Renewed)
        return false;
    association.Renewed = true;
    return KeyExchange(association, options, NtsKeTimeout);
}

void DiscardNtsSession(NtsAssociation& association)
{
    association.Session.reset();
    association.Source = NtsSessionSource::None;
}

BOOL QueryAuthenticated(SntpClient& client, NtsAssociation& association, SntpResult& result)
{
    association.CookiesRefused = false;
    if (!association.Session) {
        SetLastError(ErrorCode::KeyExchangeFailed);
        return false;
    }
    NtsAuthenticator authenticator(*association.Session);
    const BOOL answered = client.QueryServer(association.NtpHost.c_str(), result, association.NtpPort, authenticator);
    // Never a 20004 without its reason.
    if (authenticator.SealFailure())
        association.Problem = authenticator.SealFailure();
    association.CookiesRefused = !answered && authenticator.NakSeen();
    return answered;
}

void KeepNtsSession(NtsAssociation& association, const NtsOptions& options)
{
    if (options.StoreFolder.empty() || !association.Trust || !association.Session)
        return;
    if (std::optional<Failure> warning =
            NtsSessionStore(options.StoreFolder)
                .Put(association.StoreHost, options.KeyExchangePort, *association.Trust, *association.Session,
                     association.KeyExchangeTime))
        association.StoreWarnings.push_back(std::move(*warning));
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

bool ServerOffersNoNts(const Failure& failure)
{
    switch (failure.Kind) {
    case FailureKind::NtsNoConnection: return failure.SystemError == ECONNREFUSED;
    case FailureKind::NtsTimedOut:
    case FailureKind::NtsNoAlpn: return true;
    default: return false;
    }
}

} // namespace brisvander
