#include "SampleSeries.h"

#include "ErrorCodes.h"
#include "LastError.h"

#include <algorithm>
#include <thread>

namespace brisvander {

SampleOutcome SampleOfQuery(BOOL answered, const SntpResult& result)
{
    SampleOutcome sample;
    sample.Succeeded = answered != 0;
    sample.Result = result;
    if (!sample.Succeeded)
        sample.Error = GetLastError();
    return sample;
}

std::optional<std::size_t> ChooseSample(const std::vector<SampleOutcome>& samples)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!samples[i].Succeeded)
            continue;
        if (!best || samples[i].Result.RoundtripDelay < samples[*best].Result.RoundtripDelay)
            best = i;
    }
    return best;
}

std::vector<SampleOutcome> RunSampleSeries(const SeriesPlan& plan, const SampleQuery& query,
                                           const SamplePause& pause, const SampleReady& ready)
{
    const int count = std::clamp(plan.Count, 1, MaxSamples);
    std::vector<SampleOutcome> samples;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (ready && !ready())
                break;
            pause(plan.Interval);
        }
        samples.push_back(query());
        const SampleOutcome& last = samples.back();
        if (!last.Succeeded && last.Error == ErrorCode::ServerUnsynchronised && !last.Unproven)
            break;
    }
    return samples;
}

void SleepFor(std::chrono::milliseconds interval) { std::this_thread::sleep_for(interval); }

} // namespace brisvander
