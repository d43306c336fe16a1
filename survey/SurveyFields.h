#pragma once
// The words the machine-readable forms (JSON, CSV) use for a host's verdict. Pure.
#include "SurveyVerdict.h"

#include <optional>
#include <string_view>

namespace brisvander {

// "agrees", "disagrees", "no answer", "refused", "rate-limited"; nothing for
// an answering server when there is no verdict.
std::optional<std::string_view> VerdictName(ServerVerdict verdict);

} // namespace brisvander
