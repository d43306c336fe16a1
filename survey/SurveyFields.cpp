#include "SurveyFields.h"

namespace brisvander {

std::optional<std::string_view> VerdictName(ServerVerdict verdict)
{
    switch (verdict) {
    case ServerVerdict::Agrees: return "agrees";
    case ServerVerdict::Disagrees: return "disagrees";
    case ServerVerdict::Undecided: return std::nullopt;
    case ServerVerdict::NoAnswer: return "no answer";
    case ServerVerdict::Refused: return "refused";
    case ServerVerdict::RateLimited: return "rate-limited";
    }
    return std::nullopt;
}

} // namespace brisvander
