// Name lookups on a few threads, each bounded: a lookup that hangs is given
// up without holding up the others, and a resolver that answers nothing at
// all does not hold up the survey.
#include "ErrorCodes.h"
#include "LookupPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <poll.h>

using namespace brisvander;
using namespace std::chrono_literals;

namespace {
// Everything the pool settles, in the order of the names; gives up after ten seconds.
std::vector<LookupOutcome> SettleAll(LookupPool& pool)
{
    std::vector<LookupOutcome> all;
    const SteadyTime giveUp = std::chrono::steady_clock::now() + 10s;
    while (!pool.AllSettled() && std::chrono::steady_clock::now() < giveUp) {
        pollfd wake{pool.WakeDescriptor(), POLLIN, 0};
        poll(&wake, 1, 20);
        for (LookupOutcome& outcome : pool.TakeSettled(std::chrono::steady_clock::now()))
            all.push_back(std::move(outcome));
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.Index < b.Index; });
    return all;
}

// A resolver that hangs on the names that start with "stuck" until released.
struct HangingResolver {
    std::shared_ptr<std::promise<void>> release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

    HostResolver Resolver() const
    {
        return [released = released, calls = calls](const std::string& name, int port) {
            calls->fetch_add(1);
            if (name.starts_with("stuck"))
                released.wait();
            return ResolveHost(name.c_str(), port);
        };
    }
};
} // namespace

TEST(SurveyLookupPool, GivesUpAHangingLookupAndGoesOn)
{
    HangingResolver hanging;
    std::vector<LookupOutcome> outcomes;
    {
        LookupPool pool({"stuck.example", "127.0.0.1", "127.0.0.2", "127.0.0.3"}, 123, 2, 100ms, hanging.Resolver());
        outcomes = SettleAll(pool);
        hanging.release->set_value();
    }
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0].Resolved.Error, ErrorCode::TryAgain);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(outcomes[i].Resolved.Addresses.size(), 1u) << i;
}

TEST(SurveyLookupPool, WhenEveryThreadHangsTheNamesStillWaitingFailAtOnce)
{
    HangingResolver hanging;
    std::vector<LookupOutcome> outcomes;
    {
        LookupPool pool({"stuck-1.example", "stuck-2.example", "stuck-3.example"}, 123, 1, 100ms,
                        hanging.Resolver());
        outcomes = SettleAll(pool);
        hanging.release->set_value();
    }
    ASSERT_EQ(outcomes.size(), 3u);
    for (const LookupOutcome& outcome : outcomes)
        EXPECT_EQ(outcome.Resolved.Error, ErrorCode::TryAgain);
    EXPECT_EQ(hanging.calls->load(), 1);
}
