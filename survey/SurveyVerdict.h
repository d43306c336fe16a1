#pragma once
// Which servers agree, which disagree, and what the agreeing ones say of the
// local clock. Pure: figures in, verdict out.
#include "Intersection.h"
#include "SurveyOutcome.h"

#include <cstddef>
#include <span>
#include <vector>

namespace brisvander {

// Why there is or is not a verdict.
enum class VerdictReason {
    Given,         // a unique group holding more than half of the answering servers
    NoAnswers,     // no server answered
    TooFewAnswers, // one or two answered: a majority of so few proves nothing
    NoMajority,    // the largest group holds half of the answering servers or fewer
    Ambiguous,     // another group of the same size has other members
};

// What a host's line says of it.
enum class ServerVerdict {
    Agrees,      // answered; in the agreeing group
    Disagrees,   // answered; outside it
    Undecided,   // answered, but there is no verdict
    NoAnswer,    // gave no figures (its error number tells why)
    Refused,     // Kiss-o'-Death DENY or RSTR
    RateLimited, // Kiss-o'-Death RATE
};

inline constexpr int MinAnswersForVerdict = 3;

// Counts are of servers, that is of distinct addresses: two names of one
// address are one server and one vote. A host without an address counts as
// a server of its own.
struct SurveyVerdict {
    VerdictReason Reason = VerdictReason::NoAnswers;
    std::vector<ServerVerdict> Verdicts; // per host, in the given order
    int Asked = 0;                       // servers
    int Answered = 0;                    // servers that gave figures
    int LargestGroup = 0;                // servers in the largest group sharing a point
    int Agreeing = 0;                    // servers that agree; 0 without a verdict
    double ConsensusOffset = 0.0;        // seconds, server minus local: the agreeing offsets' median
    double ConsensusSpread = 0.0;        // seconds: half the range of the agreeing offsets (both 0 without a verdict)

    bool Given() const { return Reason == VerdictReason::Given; }
};

// Where the true offset must lie by this answer: offset +- (delay / 2 + the
// server's root delay / 2 + its root dispersion), seconds. A delay below 0
// counts as 0.
OffsetInterval TrueOffsetInterval(const HostSurvey& answer);

// The middle value, or the mean of the two middle ones; 0 for none.
double Median(std::vector<double> values);

SurveyVerdict JudgeSurvey(std::span<const HostSurvey> hosts);

} // namespace brisvander
