#pragma once
// What one exchange came to, kept beside the others of a series: the query's
// verdict, its last error and its figures, as the report and the JSON output
// show them.
#include "NtpTimestamp.h"
#include "SntpResult.h"

#include <cstdint>

namespace brisvander {

struct SampleOutcome {
    bool Succeeded = false;  // a reply came that passed every check
    std::uint32_t Error = 0; // the last error of a failed exchange, else 0
    SntpResult Result;       // valid only when it succeeded
    bool Unproven = false;   // the failure rests only on what anyone could send (an NTS NAK): it ends no series
    NtpTimestamp EndedAt;    // the local clock when the exchange ended (zero where no one read it)
};

} // namespace brisvander
