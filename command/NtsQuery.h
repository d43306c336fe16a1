#pragma once
// The authenticated road of a query: a session kept from an earlier run, else
// the NTS key exchange with the host; then NTP exchanges, sealed and checked,
// with the server and port the session names (else the host and the given
// port); at the end, what the run did not use is kept for the next one.
#include "Failure.h"
#include "NtsKeRecords.h"
#include "NtsSession.h"
#include "SntpClient.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

struct NtsOptions {
    bool Enabled = false;          // NTS is tried; every exchange is authenticated
    bool FallBackToPlain = false;  // with Enabled, "when offered": a server that offers no NTS
                                   // (ServerOffersNoNts) is asked without it
    std::uint16_t KeyExchangePort = NtsKeDefaultPort;
    std::string ExtraCaFile;       // PEM trust anchor besides the system's store; empty: none
    bool IgnoreCertificatePeriod = false; // accept a certificate outside its validity period by the local clock
    std::string StoreFolder;       // where sessions are kept between runs; empty: none taken or kept
};

// How long a key exchange may take when the plain exchange is there to fall
// back on: a server that drops the connection must not hold the run long.
inline constexpr std::chrono::seconds NtsOfferedKeTimeout{2};

enum class NtsSessionSource {
    None,        // no session: the key exchange failed, or NTS was not used
    KeyExchange, // a key exchange of this run
    Stored,      // kept from an earlier run; this run made no key exchange (yet)
};

// What a run's NTS road holds: the session in use and where it came from.
struct NtsAssociation {
    std::string KeyExchangeServer;      // as contacted: "host", or "host:port" off the default port
    std::optional<NtsSession> Session;  // empty when the key exchange failed or the session was dropped
    std::optional<Failure> Problem;     // why there is none (error 20004), or why a request could not be
                                        // sealed (no cookie left)
    std::string NtpHost;                // where the NTP exchanges go (the host until a session names another)
    int NtpPort = NtpDefaultPort;       // likewise, the given port until then
    NtsSessionSource Source = NtsSessionSource::None;
    bool KeyExchanged = false;          // a key exchange of this run gave a session
    bool Renewed = false;               // the run's one key exchange after its first session was made
    bool CookiesRefused = false;        // the last exchange brought NAKs and no authentic reply
    bool CertificatePeriodUnchecked = false; // the session's certificate was not held against its period
    std::int64_t KeyExchangeTime = 0;   // of the session in use: UTC Unix seconds by the local clock
    std::vector<Failure> StoreWarnings; // why a stored session or the store was not used, or not written
    std::string StoreHost;              // the key-exchange host as the store names it
    int GivenPort = NtpDefaultPort;     // the NTP port to use where a session names none
    std::optional<std::string> Trust;   // what a session is verified with; empty: the --nts-ca file unreadable
};

// A stored session for the host when one may serve this run, else a key
// exchange, which blocks the calling thread for at most NtsKeTimeout
// (NtsOfferedKeTimeout when falling back to plain is allowed), plus the name
// lookup. `port` is the NTP port to use where the session names none.
NtsAssociation EstablishNts(const std::string& host, int port, const NtsOptions& options);

// The run's one more key exchange, in place of a session whose cookies the
// server refused or that has none left. false when the run has made it
// already, or when it failed (then Problem says why and there is no session).
bool RenewNts(NtsAssociation& association, const NtsOptions& options);

// Drops the session, its cookies refused: nothing of it is kept.
void DiscardNtsSession(NtsAssociation& association);

// One authenticated exchange over `association` (its session gives a cookie
// and takes the new ones). Returns and leaves the last error as
// SntpClient::QueryServer does; KeyExchangeFailed without a session, or when
// the request could not be sealed, and then Problem says why. Sets
// CookiesRefused.
BOOL QueryAuthenticated(SntpClient& client, NtsAssociation& association, SntpResult& result);

// Keeps the session's unused and new cookies in the store for the next run
// (nothing without a store folder, a trust identity or cookies); a warning
// goes to StoreWarnings.
void KeepNtsSession(NtsAssociation& association, const NtsOptions& options);

// Whether a key exchange that failed so may have met a server without NTS:
// no connection, no TLS 1.3, no "ntske/1", no NTPv4 with AES-SIV, a time-out.
bool ServerMayLackNts(FailureKind kind);

// Whether the server offers no NTS, so that "when offered" asks without it:
// the connection refused, the key exchange timed out, or "ntske/1" refused.
// Never a certificate that fails verification: anyone on the path could
// show one to take authentication away.
bool ServerOffersNoNts(const Failure& failure);

} // namespace brisvander
