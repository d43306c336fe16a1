#pragma once
// The survey as one JSON object, figures in seconds. Pure (QtCore for the
// JSON writer only).
#include "SurveyOutcome.h"
#include "SurveyVerdict.h"

#include <QByteArray>

#include <span>

namespace brisvander {

// {"servers": [{"host", "address", "port", "success", "error", "offset",
// "delay", "stratum", "reference", "nts", "nts_error", "verdict"}, ...], "asked",
// "answered", "agreeing", "consensus_offset", "consensus_spread"}, compact,
// hosts in the given order. Figures a host lacks are null ("address" when it
// was not looked up, offset to reference without figures; "reference" stays
// for a kiss code; "nts_error", the words of a failed key exchange, is
// null without one); "verdict" is null for an answering server without a
// verdict, and so are both consensus figures. Counts as SurveyVerdict has them.
QByteArray SurveyToJson(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);

} // namespace brisvander
