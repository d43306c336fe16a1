// A series of exchanges without a network or a wait: which exchange is
// chosen, when the series ends, and the pauses between exchanges.
#include "ErrorCodes.h"
#include "SampleSeries.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace std::chrono_literals;

namespace {
SampleOutcome Good(double delay, double offset)
{
    SampleOutcome sample;
    sample.Succeeded = true;
    sample.Result.RoundtripDelay = delay;
    sample.Result.ClockOffset = offset;
    return sample;
}

SampleOutcome Failed(std::uint32_t error)
{
    SampleOutcome sample;
    sample.Error = error;
    return sample;
}

// Plays the given outcomes in order and records the pauses between them.
struct Script {
    explicit Script(std::vector<SampleOutcome> planned) : outcomes(std::move(planned)) {}
    std::vector<SampleOutcome> outcomes;
    std::size_t asked = 0;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<std::size_t> askedBeforePause;

    std::vector<SampleOutcome> Run(int count, std::chrono::milliseconds interval, const SampleReady& ready = {})
    {
        return RunSampleSeries(
            SeriesPlan{count, interval}, [this] { return outcomes.at(asked++); },
            [this](std::chrono::milliseconds pause) {
                pauses.push_back(pause);
                askedBeforePause.push_back(asked);
            },
            ready);
    }
};
} // namespace

TEST(ChooseSample, TheSmallestDelayAmongTheSucceeded)
{
    EXPECT_EQ(ChooseSample({Good(0.030, 1), Good(0.010, 2), Good(0.020, 3)}), 1u);
    EXPECT_EQ(ChooseSample({Good(0.005, 1)}), 0u);
    // A failed exchange carries no delay worth comparing, whatever its Result holds.
    SampleOutcome failedWithStaleFigures = Failed(ErrorCode::TimedOut);
    failedWithStaleFigures.Result.RoundtripDelay = 0.0;
    EXPECT_EQ(ChooseSample({Good(0.040, 1), failedWithStaleFigures, Good(0.020, 2)}), 2u);
    // Equal delays: the earlier exchange.
    EXPECT_EQ(ChooseSample({Good(0.030, 1), Good(0.010, 2), Good(0.010, 3)}), 1u);
    EXPECT_EQ(ChooseSample({Failed(ErrorCode::TimedOut), Failed(ErrorCode::ConnectionReset)}), std::nullopt);
    EXPECT_EQ(ChooseSample({}), std::nullopt);
}

TEST(RunSampleSeries, AsksCountTimesWithAPauseBetweenEach)
{
    Script script{{Good(0.03, 1), Failed(ErrorCode::TimedOut), Good(0.01, 2), Good(0.02, 3)}};
    const std::vector<SampleOutcome> samples = script.Run(4, 200ms);
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[1].Error, ErrorCode::TimedOut);
    EXPECT_EQ(samples[2].Result.ClockOffset, 2);
    // Between exchanges only: none before the first or after the last.
    EXPECT_EQ(script.pauses, (std::vector<std::chrono::milliseconds>{200ms, 200ms, 200ms}));
    EXPECT_EQ(script.askedBeforePause, (std::vector<std::size_t>{1, 2, 3}));
}

TEST(RunSampleSeries, OneSampleNeverPauses)
{
    Script script{{Good(0.01, 1)}};
    EXPECT_EQ(script.Run(1, 2000ms).size(), 1u);
    EXPECT_TRUE(script.pauses.empty());
}

TEST(RunSampleSeries, AnUnsynchronisedServerIsNotAskedAgain)
{
    Script script{{Good(0.01, 1), Failed(ErrorCode::ServerUnsynchronised), Good(0.01, 2), Good(0.01, 3)}};
    const std::vector<SampleOutcome> samples = script.Run(4, 200ms);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(script.asked, 2u);
    EXPECT_EQ(script.pauses.size(), 1u);
    EXPECT_EQ(ChooseSample(samples), 0u);

    // Other failures do not end it, nor does an NTS NAK, which anyone who saw a request can send.
    SampleOutcome nak = Failed(ErrorCode::ServerUnsynchronised);
    nak.Unproven = true;
    Script lossy{{Failed(ErrorCode::TimedOut), nak, Failed(ErrorCode::ForeignReply), Good(0.01, 1)}};
    EXPECT_EQ(lossy.Run(4, 200ms).size(), 4u);
}

TEST(RunSampleSeries, EndsBeforeItsPauseWhenNoFurtherExchangeCanBeMade)
{
    Script script{{Failed(ErrorCode::TimedOut), Failed(ErrorCode::TimedOut), Good(0.01, 1)}};
    const std::vector<SampleOutcome> samples = script.Run(4, 200ms, [&script] { return script.asked < 2; });
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(script.pauses.size(), 1u);
    EXPECT_EQ(samples.back().Error, ErrorCode::TimedOut) << "the last real failure is the series' result";
}

TEST(RunSampleSeries, CountsOutsideTheRangeAreHeldToIt)
{
    Script none{{Good(0.01, 1)}};
    EXPECT_EQ(none.Run(0, 200ms).size(), 1u);
    Script many{std::vector<SampleOutcome>(20, Good(0.01, 1))};
    EXPECT_EQ(many.Run(20, 200ms).size(), static_cast<std::size_t>(MaxSamples));
}
