#pragma once
// The NTS key exchange (RFC 8915, section 4) as a client: TCP, TLS 1.3 with
// ALPN "ntske/1" and a verified certificate, one request, one response, and
// the two AEAD keys exported from the TLS session.
#include "Deadline.h"
#include "Expected.h"
#include "NtsKeRecords.h"
#include "NtsSession.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace brisvander {

// The bound the programs give the whole exchange.
inline constexpr std::chrono::seconds NtsKeTimeout{5};

struct NtsKeOptions {
    std::string Host;                       // DNS name or IP literal; the certificate must name it
    std::uint16_t Port = NtsKeDefaultPort;
    std::string ExtraCaFile;                // PEM trusted besides the system store; empty: none
    bool IgnoreCertificatePeriod = false;   // accept a certificate outside its validity period by the local
                                            // clock when chain, signatures and name are valid
    SteadyTime Deadline;                    // nothing waits past it (the name lookup excepted)
};

// Blocks the calling thread for at most the deadline (plus the name lookup).
// The session, or why there is none: a failure of the key exchange
// (KeyExchangeFailure) whose kind says what went wrong. Nothing throws.
Expected<NtsSession> RunNtsKeyExchange(const NtsKeOptions& options);

} // namespace brisvander
