#pragma once
// A survey as both programs run it: the hosts given, or else every server
// of the program's own list, all asked at once, and the verdict on them.
#include "BackgroundHistoryRecorder.h"
#include "SurveyEngine.h"
#include "SurveyVerdict.h"

#include <string>
#include <vector>

namespace brisvander {

struct SurveyCommandOutcome {
    std::vector<HostSurvey> Hosts; // one per host asked, in the order asked
    SurveyVerdict Verdict;         // JudgeSurvey's for Hosts
};

// The hosts a survey asks: `given` trimmed as a typed host is, or the
// program's server list when none is given.
std::vector<std::string> SurveyHosts(const std::vector<std::string>& given);

// Blocks the calling thread until every host has its answer or its failure
// (each exchange at most plan.ExchangeTimeout, lookups and key exchanges
// bounded). A failed key exchange's words are in its host's NtsProblemText.
// With a `history` (not owned), each host's answer or failure is recorded.
SurveyCommandOutcome RunSurveyCommand(const std::vector<std::string>& given, const SurveyPlan& plan,
                                      BackgroundHistoryRecorder* history = nullptr);

} // namespace brisvander
