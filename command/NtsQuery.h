#pragma once
// The authenticated road of a query: the NTS key exchange with the host,
// then the NTP exchange, sealed and checked, with the server and port the
// key exchange names (else the host and the given port).
#include "NtsKeRecords.h"
#include "SntpClient.h"

#include <cstdint>
#include <string>

namespace brisvander {

struct NtsOptions {
    bool Enabled = false;
    std::uint16_t KeyExchangePort = NtsKeDefaultPort;
    std::string ExtraCaFile; // PEM trust anchor besides the system's store; empty: none
};

struct NtsQueryOutcome {
    std::string KeyExchangeServer; // the key exchange server as contacted: "host", or "host:port"
    std::string Failure;           // German reason when the key exchange failed (error 20004)
};

// Blocks the calling thread for at most the key exchange's 5 s and the
// client's reply time-out. Returns and leaves the last error as
// SntpClient::QueryServer does; KeyExchangeFailed when there was no session.
BOOL QueryServerWithNts(SntpClient& client, const std::string& host, int port, const NtsOptions& options,
                        SntpResult& result, NtsQueryOutcome& outcome);

} // namespace brisvander
