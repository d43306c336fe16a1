// The largest group of agreeing intervals and the verdict built on it: who
// agrees, whether there is a verdict at all, and what the majority says.
#include "ErrorCodes.h"
#include "Intersection.h"
#include "SurveyVerdict.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brisvander;

namespace {
std::vector<bool> Flags(std::initializer_list<int> bits) { return std::vector<bool>(bits.begin(), bits.end()); }

// An answer whose interval is offset +- halfWidth exactly (no delay, no root delay).
HostSurvey Answer(const char* address, double offset, double halfWidth = 0.01)
{
    HostSurvey host;
    host.Host = address;
    host.Address = address;
    host.Port = 123;
    host.Failure = SurveyFailure::None;
    host.Offset = offset;
    host.RootDispersion = halfWidth;
    return host;
}

HostSurvey FailedHost(const char* address, SurveyFailure failure, std::uint32_t error)
{
    HostSurvey host;
    host.Host = address;
    host.Address = address;
    host.Failure = failure;
    host.Error = error;
    return host;
}
} // namespace

TEST(SurveyLargestOverlap, FindsTheGroupAndOnlyItsMembers)
{
    // One wide interval overlaps everything; the group is where most meet.
    const std::vector<OffsetInterval> wide{{-10, 10}, {0, 1}, {0.5, 2}, {5, 6}};
    const LargestOverlap found = FindLargestOverlap(wide);
    EXPECT_EQ(found.Size, 3u);
    EXPECT_TRUE(found.Unique);
    EXPECT_EQ(found.Members, Flags({1, 1, 1, 0}));

    // Intervals that only touch share their touching point.
    EXPECT_EQ(FindLargestOverlap(std::vector<OffsetInterval>{{0, 1}, {1, 2}, {3, 4}}).Members, Flags({1, 1, 0}));
    // A reversed interval belongs to no group.
    EXPECT_EQ(FindLargestOverlap(std::vector<OffsetInterval>{{0, 1}, {0.5, 2}, {2, 0}}).Members, Flags({1, 1, 0}));
}

TEST(SurveyLargestOverlap, TwoGroupsOfOneSizeAreNoUniqueGroup)
{
    // All disjoint: every single interval is a group of one.
    const LargestOverlap disjoint = FindLargestOverlap(std::vector<OffsetInterval>{{0, 1}, {2, 3}, {4, 5}});
    EXPECT_EQ(disjoint.Size, 1u);
    EXPECT_FALSE(disjoint.Unique);
    EXPECT_EQ(disjoint.Members, Flags({0, 0, 0}));
    // A tie of two overlapping groups that share a member.
    const LargestOverlap tie = FindLargestOverlap(std::vector<OffsetInterval>{{0, 2}, {1, 3}, {2.5, 4}});
    EXPECT_EQ(tie.Size, 2u);
    EXPECT_FALSE(tie.Unique);
    EXPECT_FALSE(FindLargestOverlap(std::vector<OffsetInterval>{}).Unique);
}

TEST(SurveyVerdict, MajorityAgreesAndTheRestDisagree)
{
    const std::vector<HostSurvey> hosts{Answer("a", 0.010), Answer("b", 0.012), Answer("c", 0.520),
                                        Answer("d", 0.006), FailedHost("e", SurveyFailure::RateLimited, 20003),
                                        Answer("f", 0.014)};
    const SurveyVerdict verdict = JudgeSurvey(hosts);
    ASSERT_TRUE(verdict.Given());
    EXPECT_EQ(verdict.Asked, 6);
    EXPECT_EQ(verdict.Answered, 5);
    EXPECT_EQ(verdict.Agreeing, 4);
    const std::vector<ServerVerdict> expected{ServerVerdict::Agrees,    ServerVerdict::Agrees,
                                              ServerVerdict::Disagrees, ServerVerdict::Agrees,
                                              ServerVerdict::RateLimited, ServerVerdict::Agrees};
    EXPECT_EQ(verdict.Verdicts, expected);
    EXPECT_DOUBLE_EQ(verdict.ConsensusOffset, 0.011);   // median of 6, 10, 12, 14 ms
    EXPECT_DOUBLE_EQ(verdict.ConsensusSpread, 0.004);   // half of 14 - 6 ms
}

TEST(SurveyVerdict, NoVerdictWithoutAClearMajority)
{
    const auto reason = [](std::vector<HostSurvey> hosts) { return JudgeSurvey(hosts).Reason; };
    EXPECT_EQ(reason({Answer("a", 0), Answer("b", 0)}), VerdictReason::TooFewAnswers);
    EXPECT_EQ(reason({Answer("a", 0), Answer("b", 0), Answer("c", 1), Answer("d", 1)}), VerdictReason::NoMajority);
    EXPECT_EQ(reason({Answer("a", 0), Answer("b", 1), Answer("c", 2)}), VerdictReason::NoMajority);
    EXPECT_EQ(reason({Answer("a", 0, 1), Answer("b", 1.5, 1), Answer("c", 3, 1)}), VerdictReason::Ambiguous);

    const std::vector<HostSurvey> fewer{Answer("a", 0), Answer("b", 0), FailedHost("c", SurveyFailure::NoAnswer, 10060)};
    const SurveyVerdict verdict = JudgeSurvey(fewer);
    EXPECT_EQ(verdict.Verdicts, (std::vector<ServerVerdict>{ServerVerdict::Undecided, ServerVerdict::Undecided,
                                                            ServerVerdict::NoAnswer}));
    EXPECT_EQ(verdict.Answered, 2);
    const SurveyVerdict none = JudgeSurvey(std::vector<HostSurvey>{FailedHost("a", SurveyFailure::Refused, 20003)});
    EXPECT_EQ(none.Reason, VerdictReason::NoAnswers);
    EXPECT_EQ(none.Answered, 0);
}

TEST(SurveyVerdict, TwoNamesOfOneAddressAreOneVote)
{
    HostSurvey alias = Answer("127.0.0.1", 0.5);
    alias.Host = "localhost";
    // Counted twice, the wrong server would tie with the two that agree.
    const std::vector<HostSurvey> hosts{Answer("127.0.0.1", 0.5), alias, Answer("b", 0), Answer("c", 0)};
    const SurveyVerdict verdict = JudgeSurvey(hosts);
    ASSERT_TRUE(verdict.Given());
    EXPECT_EQ(verdict.Answered, 3);
    EXPECT_EQ(verdict.Verdicts[0], ServerVerdict::Disagrees);
    EXPECT_EQ(verdict.Verdicts[1], ServerVerdict::Disagrees);
}

TEST(SurveyVerdict, TheIntervalGrowsWithDelayRootDelayAndDispersion)
{
    HostSurvey host = Answer("a", 1.0, 0.25);
    host.Delay = 0.2;
    host.RootDelay = 0.1;
    const OffsetInterval interval = TrueOffsetInterval(host);
    EXPECT_DOUBLE_EQ(interval.Low, 1.0 - 0.1 - 0.05 - 0.25);
    EXPECT_DOUBLE_EQ(interval.High, 1.0 + 0.1 + 0.05 + 0.25);
    host.Delay = -0.001; // rounding on loopback must not narrow it
    EXPECT_DOUBLE_EQ(TrueOffsetInterval(host).High, 1.0 + 0.05 + 0.25);
}
