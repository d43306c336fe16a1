#pragma once
// The authenticated road of a query: the NTS key exchange with the host
// once, then NTP exchanges, sealed and checked, with the server and port the
// key exchange names (else the host and the given port).
#include "Failure.h"
#include "NtsKeRecords.h"
#include "NtsSession.h"
#include "SntpClient.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

struct NtsOptions {
    bool Enabled = false;
    std::uint16_t KeyExchangePort = NtsKeDefaultPort;
    std::string ExtraCaFile; // PEM trust anchor besides the system's store; empty: none
};

// What one key exchange leaves for the exchanges that follow it.
struct NtsAssociation {
    std::string KeyExchangeServer;      // as contacted: "host", or "host:port" off the default port
    std::optional<NtsSession> Session;  // empty when the key exchange failed
    std::optional<Failure> Problem;     // then: why (error 20004); also when a request could not be
                                        // sealed (no cookie left)
    std::string NtpHost;                // where the NTP exchanges go (the host until a key exchange names another)
    int NtpPort = NtpDefaultPort;       // likewise, the given port until then
};

// Blocks the calling thread for at most the key exchange's 5 s (plus the
// name lookup). `port` is the NTP port to use where the server names none.
NtsAssociation EstablishNts(const std::string& host, int port, const NtsOptions& options);

// One authenticated exchange over `association` (its session gives a cookie
// and takes the new ones). Returns and leaves the last error as
// SntpClient::QueryServer does; KeyExchangeFailed without a session, or when
// the request could not be sealed, and then Problem says why.
BOOL QueryAuthenticated(SntpClient& client, NtsAssociation& association, SntpResult& result);

// Whether a key exchange that failed so may have met a server without NTS:
// no connection, no TLS 1.3, no "ntske/1", no NTPv4 with AES-SIV, a time-out.
bool ServerMayLackNts(FailureKind kind);

} // namespace brisvander
