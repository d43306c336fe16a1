#pragma once
// A survey: every host asked at once, on one thread, in one event loop.
// Names are looked up on a small pool of threads; requests go out through
// one unconnected socket per address family, and one deadline heap says
// what is due next. Blocks until every host has its answer or its failure,
// or until the plan's cancel flag is set.
#include "LookupPool.h"
#include "SurveyOutcome.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brisvander {

inline constexpr int MaxSurveySamples = 4;
// Public servers rate-limit clients that ask the same address more often.
inline constexpr std::chrono::milliseconds MinSurveyInterval{2000};
// How soon a survey notices that its cancel flag was set.
inline constexpr std::chrono::milliseconds SurveyCancelCheck{50};

// How far a survey has come: hosts with their answer or failure, of all.
struct SurveyProgress {
    std::size_t Settled = 0;
    std::size_t Total = 0;
};

struct SurveyPlan {
    int Port = 123;                                   // UDP port of every server, 1 to 65535
    int Samples = 1;                                  // requests per address, held to 1 to MaxSurveySamples
    std::chrono::milliseconds Interval{2000};         // end of one exchange to the next request; at least MinSurveyInterval
    std::chrono::milliseconds ExchangeTimeout{5000};  // per request, not for the whole survey
    std::chrono::milliseconds LookupTimeout{10000};   // per name lookup, from its start
    int LookupThreads = MaxLookupThreads;             // held to 1 to MaxLookupThreads
    // Called on the survey's thread whenever more hosts have settled; may be empty.
    std::function<void(const SurveyProgress&)> Progress;
    // Not owned; may be null. Once it holds true (set from any thread) the
    // survey asks nothing more and returns within SurveyCancelCheck: answers
    // had so far are reported, a host without one fails with Interrupted.
    const std::atomic<bool>* Cancel = nullptr;
};

// One entry per host, in the order given; hosts are used as given (the
// caller trims them). An address reached by several hosts is asked once and
// its answer reported for each; the first of its addresses (IPv4 first) that
// a socket of its family can be had for is the one asked. With several
// samples the one with the smallest delay counts. A port outside 1-65535
// fails every host with AddressNotAvailable.
std::vector<HostSurvey> RunSurvey(std::span<const std::string> hosts, const SurveyPlan& plan);

} // namespace brisvander
