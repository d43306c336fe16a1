#pragma once
// One real QueryServer call, with what the caller can see afterwards.
#include "LastError.h"
#include "RecordingClockControl.h"
#include "SntpClient.h"

#include <chrono>
#include <cstdint>

namespace brisvander::testsupport {

struct QueryOutcome {
    BOOL ok = false;
    std::uint32_t error = 0; // the last error right after the call
    SntpResult result;
    double seconds = 0.0;    // how long the call took
    bool unproven = false;   // the failure rests on what anyone could have sent
};

// With `authenticator`, only a reply it proves is taken.
inline QueryOutcome RunQuery(const char* host, int port, std::uint32_t timeoutMs = SntpDefaultTimeoutMs,
                             ReplyAuthenticator* authenticator = nullptr)
{
    // No query may reach the real clock, whatever a fault does.
    RecordingClockControl clock;
    clock.raiseFailure = FailureKind::ClockRightRefused;
    clock.stepResult = false;
    SntpClient client(clock);
    client.TimeoutMs = timeoutMs;

    QueryOutcome outcome;
    SetLastError(0xDEADBEEF);
    const auto start = std::chrono::steady_clock::now();
    outcome.ok = authenticator != nullptr ? client.QueryServer(host, outcome.result, port, *authenticator)
                                          : client.QueryServer(host, outcome.result, port);
    outcome.error = GetLastError();
    outcome.unproven = client.LastFailureUnproven;
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

} // namespace brisvander::testsupport
