#pragma once
// NTS in a survey: a name's key exchange, run on the lookup pool's threads
// in place of its plain lookup, followed by the lookup of the NTP server it
// names; and which failed key exchanges found no NTS at all, so that a
// survey using NTS where offered may ask such a server plainly.
#include "Failure.h"
#include "HostAddress.h"
#include "LookupPool.h"
#include "NtsKeClient.h"
#include "NtsSession.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

enum class SurveyNtsMode {
    Off,          // plain requests only
    Required,     // every server must authenticate; a failed key exchange fails its host (KeyExchangeFailed)
    WhereOffered, // NTS where a key exchange succeeds; plain where it finds no NTS (FoundNoNts)
};

struct SurveyNts {
    SurveyNtsMode Mode = SurveyNtsMode::Off;
    std::uint16_t KeyExchangePort = NtsKeDefaultPort;
    std::string ExtraCaFile; // PEM trusted besides the system store; empty: none
    // Per key exchange, its name lookup aside; the bound that says "no NTS here" to WhereOffered.
    std::chrono::milliseconds KeyExchangeTimeout{NtsKeTimeout};
};

// What one name's key exchange came to.
struct SurveyKeyExchange {
    std::optional<NtsSession> Session; // present: authenticate every request to Resolved with it
    std::optional<Failure> Problem;    // the key exchange's failure, when it ends the host (KeyExchangeFailed)
    ResolvedHost Resolved;             // where the requests go; no address and KeyExchangeFailed with Problem
};

// Whether a key exchange that failed so found no NTS server at all: the
// connection refused, no answer within the bound, or "ntske/1" refused.
// A certificate that fails verification, or anything else, is not that.
bool FoundNoNts(const Failure& failure);

// Blocks for the key exchange with `host` (at most nts.KeyExchangeTimeout
// plus its name lookup), then resolves the NTP server and port it names
// (else `host` and UDP `port`) with `resolve`. Under WhereOffered a failure
// FoundNoNts accepts resolves `host`, `port` for plain requests instead.
// `nts.Mode` must not be Off.
SurveyKeyExchange ExchangeKeysForSurvey(const std::string& host, int port, const SurveyNts& nts,
                                        const HostResolver& resolve);

} // namespace brisvander
