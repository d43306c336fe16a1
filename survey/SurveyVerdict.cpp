#include "SurveyVerdict.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace brisvander {

namespace {
// The servers among the hosts: one per distinct address (and port), and one
// for each host that has none. Returns, per host, the index of its server,
// and the first host of each server.
std::pair<std::vector<std::size_t>, std::vector<std::size_t>> GroupByServer(std::span<const HostSurvey> hosts)
{
    std::map<std::pair<std::string, int>, std::size_t> known;
    std::vector<std::size_t> serverOfHost(hosts.size());
    std::vector<std::size_t> firstHost;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const bool shareable = !hosts[i].Address.empty();
        const auto key = std::make_pair(hosts[i].Address, hosts[i].Port);
        if (shareable) {
            if (const auto found = known.find(key); found != known.end()) {
                serverOfHost[i] = found->second;
                continue;
            }
            known.emplace(key, firstHost.size());
        }
        serverOfHost[i] = firstHost.size();
        firstHost.push_back(i);
    }
    return {serverOfHost, firstHost};
}

ServerVerdict FailureVerdict(SurveyFailure failure)
{
    switch (failure) {
    case SurveyFailure::Refused: return ServerVerdict::Refused;
    case SurveyFailure::RateLimited: return ServerVerdict::RateLimited;
    case SurveyFailure::None:
    case SurveyFailure::NoAnswer: break;
    }
    return ServerVerdict::NoAnswer;
}

VerdictReason ReasonFor(int answered, const LargestOverlap& overlap)
{
    if (answered == 0)
        return VerdictReason::NoAnswers;
    if (answered < MinAnswersForVerdict)
        return VerdictReason::TooFewAnswers;
    if (2 * overlap.Size <= static_cast<std::size_t>(answered))
        return VerdictReason::NoMajority;
    if (!overlap.Unique)
        return VerdictReason::Ambiguous;
    return VerdictReason::Given;
}
} // namespace

OffsetInterval TrueOffsetInterval(const HostSurvey& answer)
{
    const double halfWidth = std::max(answer.Delay, 0.0) / 2.0 + answer.RootDelay / 2.0 + answer.RootDispersion;
    return {answer.Offset - halfWidth, answer.Offset + halfWidth};
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return (lower + upper) / 2.0;
}

SurveyVerdict JudgeSurvey(std::span<const HostSurvey> hosts)
{
    const auto [serverOfHost, firstHost] = GroupByServer(hosts);
    std::vector<std::size_t> answering; // servers that answered, by their first host
    std::vector<OffsetInterval> intervals;
    for (const std::size_t host : firstHost) {
        if (!hosts[host].Answered())
            continue;
        answering.push_back(host);
        intervals.push_back(TrueOffsetInterval(hosts[host]));
    }
    const LargestOverlap overlap = FindLargestOverlap(intervals);

    SurveyVerdict verdict;
    verdict.Asked = static_cast<int>(firstHost.size());
    verdict.Answered = static_cast<int>(answering.size());
    verdict.LargestGroup = static_cast<int>(overlap.Size);
    verdict.Reason = ReasonFor(verdict.Answered, overlap);

    std::vector<bool> serverAgrees(firstHost.size(), false);
    std::vector<double> agreeingOffsets;
    if (verdict.Given()) {
        for (std::size_t i = 0; i < answering.size(); ++i) {
            if (!overlap.Members[i])
                continue;
            serverAgrees[serverOfHost[answering[i]]] = true;
            agreeingOffsets.push_back(hosts[answering[i]].Offset);
        }
        const auto [low, high] = std::minmax_element(agreeingOffsets.begin(), agreeingOffsets.end());
        verdict.Agreeing = static_cast<int>(agreeingOffsets.size());
        verdict.ConsensusOffset = Median(agreeingOffsets);
        verdict.ConsensusSpread = (*high - *low) / 2.0;
    }

    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (!hosts[i].Answered())
            verdict.Verdicts.push_back(FailureVerdict(hosts[i].Failure));
        else if (!verdict.Given())
            verdict.Verdicts.push_back(ServerVerdict::Undecided);
        else
            verdict.Verdicts.push_back(serverAgrees[serverOfHost[i]] ? ServerVerdict::Agrees : ServerVerdict::Disagrees);
    }
    return verdict;
}

} // namespace brisvander
