#pragma once
// The survey as a person reads it: a German table and one closing sentence.
// Pure: results in, UTF-8 text out.
#include "SurveyOutcome.h"
#include "SurveyVerdict.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace brisvander {

// The order of the table's lines, as indices into `hosts`: agreeing servers,
// then the other answering ones, then those without figures; answering ones
// by |offset|, smallest first, the rest as given. `verdict` is JudgeSurvey's for `hosts`.
std::vector<std::size_t> SurveyTableOrder(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);

// The table's column heads, and one host's cells under them as the table
// shows them, unpadded (the host escaped).
std::vector<std::string> SurveyTableHeads();
std::vector<std::string> SurveyTableRow(const HostSurvey& host, ServerVerdict verdict);

// Columns Server, Adresse, Stratum, Referenz, Offset, Verzögerung, NTS,
// Urteil, padded to line up (widths in code points); each line ends in "\n".
// Hosts have their control characters escaped. Offsets and delays in
// seconds with six decimals, a point as separator.
std::string SurveyTableText(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);

// What the agreeing servers say of this clock, or why nothing can be said;
// ends in "\n". A positive consensus (server minus local) means this clock is
// behind ("geht ... nach"), a negative one that it is ahead ("geht ... vor").
std::string ConsensusSentence(const SurveyVerdict& verdict);

} // namespace brisvander
