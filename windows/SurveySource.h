#pragma once
// Whom the survey window asks, and how: the program's own server list on
// port 123 through RunSurvey. Tests put loopback servers, or a scripted
// result, in its place.
#include "SurveyEngine.h"
#include "SurveyOutcome.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brisvander {

using SurveyRunner = std::function<std::vector<HostSurvey>(std::span<const std::string> hosts, const SurveyPlan& plan)>;

struct SurveySource {
    std::vector<std::string> Hosts; // empty: the program's server list (ServerList.h)
    SurveyPlan Plan;                // its Progress and Cancel are set by the window
    SurveyRunner Run;               // empty: RunSurvey
};

// The hosts the source names, the server list where it names none.
std::vector<std::string> HostsToSurvey(const SurveySource& source);

} // namespace brisvander
