#pragma once
// Why a key exchange failed: a kind for programs, a short German reason for the user.
#include "NtsKeRecords.h"

#include <optional>
#include <string>

namespace brisvander {

enum class NtsKeFailureKind {
    NameLookup,      // the host name did not resolve
    Connect,         // no TCP connection to any address
    Timeout,         // the deadline passed
    Tls,             // handshake failed for a reason other than the two below (e.g. no TLS 1.3)
    Certificate,     // chain not trusted, or not issued for the host
    Alpn,            // the server did not select "ntske/1"
    ServerError,     // the server sent an Error (or a Warning) record
    BadResponse,     // malformed, cut short, or without the records the exchange needs
    Unsupported,     // the server offers neither NTPv4 nor AES-SIV-CMAC-256
    NoCookie,        // a valid response without any cookie
    Internal,        // local resources (sockets, OpenSSL, the CA file)
};

struct NtsKeFailure {
    NtsKeFailureKind Kind = NtsKeFailureKind::Internal;
    std::string Reason; // German, one line, ready to follow "(Fehler Nr. 20004)"
};

// The failure every step reports once the caller's deadline has passed.
NtsKeFailure TimeoutFailure();

// Judges a complete response: a failure, or nullopt when it gives NTPv4 with
// AES-SIV-CMAC-256 and at least one cookie. An Error record wins over all
// else, then a Warning record.
std::optional<NtsKeFailure> CheckNtsKeResponse(const NtsKeResponse& response);

} // namespace brisvander
