#pragma once
// Whether a complete key exchange response gives what the exchanges need.
#include "Failure.h"
#include "NtsKeRecords.h"

#include <optional>

namespace brisvander {

// A failure, or nullopt when the response gives NTPv4 with
// AES-SIV-CMAC-256 and at least one cookie. An Error record wins over all
// else, then a Warning record.
std::optional<Failure> CheckNtsKeResponse(const NtsKeResponse& response);

} // namespace brisvander
