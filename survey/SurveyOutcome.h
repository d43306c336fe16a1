#pragma once
// What a survey found out about each host it was given, one entry per host
// in the order given. Plain data, no behaviour.
#include "Failure.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

// Why a host gave no figures; None when it did.
enum class SurveyFailure {
    None,        // answered: the figures are valid
    NoAnswer,    // lookup failed, time-out, port closed, unsynchronised, malformed
    Refused,     // Kiss-o'-Death DENY or RSTR
    RateLimited, // Kiss-o'-Death RATE
};

struct HostSurvey {
    std::string Host;              // as given (trimmed, not escaped)
    std::string Address;           // the numeric address asked ("127.0.0.1", "::1"); empty when none was
    int Port = 0;                  // UDP port asked
    SurveyFailure Failure = SurveyFailure::NoAnswer;
    std::uint32_t Error = 0;       // ErrorCodes.h number of the failure; 0 when answered
    double Offset = 0.0;           // seconds, server minus local: positive when this clock is behind
    double Delay = 0.0;            // round-trip delay, seconds (may be a hair below 0 on loopback)
    double RootDelay = 0.0;        // the server's root delay, seconds
    double RootDispersion = 0.0;   // the server's root dispersion, seconds
    int Stratum = 0;               // 1 to 15 when answered; 0 with a kiss code
    std::uint32_t ReferenceId = 0; // as on the wire, big-endian; the kiss code when refused or rate-limited
    bool Nts = false;              // the answer was authenticated
    std::optional<brisvander::Failure> NtsProblem; // why its key exchange failed (Error is then KeyExchangeFailed)
    std::string NtsProblemText;    // the user's words for NtsProblem, filled by the layer that makes words

    bool Answered() const { return Failure == SurveyFailure::None; }
};

} // namespace brisvander
