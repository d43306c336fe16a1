#include "SurveyCommand.h"

#include "FailureText.h"
#include "HostText.h"
#include "MeasurementRecords.h"
#include "ServerList.h"

namespace brisvander {

std::vector<std::string> SurveyHosts(const std::vector<std::string>& given)
{
    std::vector<std::string> hosts;
    if (given.empty()) {
        for (const std::string_view host : ServerList())
            hosts.emplace_back(host);
        return hosts;
    }
    for (const std::string& host : given)
        hosts.push_back(TrimmedHost(host));
    return hosts;
}

SurveyCommandOutcome RunSurveyCommand(const std::vector<std::string>& given, const SurveyPlan& plan,
                                      BackgroundHistoryRecorder* history)
{
    SurveyCommandOutcome outcome;
    const std::vector<std::string> hosts = SurveyHosts(given);
    outcome.Hosts = RunSurvey(hosts, plan);
    for (HostSurvey& host : outcome.Hosts)
        if (host.NtsProblem)
            host.NtsProblemText = FailureText(*host.NtsProblem);
    if (history != nullptr)
        history->Record(SurveyMeasurements(
            outcome.Hosts, UnixMicrosecondsOf(NtpTimestamp::Now(), NtpTimestamp::LocalClockSecondsSince1900())));
    outcome.Verdict = JudgeSurvey(outcome.Hosts);
    return outcome;
}

} // namespace brisvander
