#include "CliWatchText.h"

#include "CFormat.h"
#include "FailureText.h"
#include "HostText.h"

#include <cmath>
#include <ctime>

namespace brisvander {

namespace {
const char* const kLineFormat = "%-19s  %15s  %15s  %s%s\n";
} // namespace

std::string WatchStrip(double offsetSeconds, double scaleSeconds)
{
    const int middle = WatchStripWidth / 2;
    std::string strip(WatchStripWidth, ' ');
    strip[middle] = '|';
    const double where = scaleSeconds > 0 ? offsetSeconds / scaleSeconds * middle : 0.0;
    const long column = std::lround(std::fmax(-middle, std::fmin(middle, where))) + middle;
    strip[static_cast<std::size_t>(column)] = '*';
    return "[" + strip + "]";
}

std::string WatchHeading(const std::string& host, std::chrono::milliseconds interval)
{
    return CFormat("Beobachte SNTP Zeitserver: %s, alle %g s\n", EscapeControlCharacters(host).c_str(),
                   static_cast<double>(interval.count()) / 1000.0) +
           // "ö" takes two bytes, so its column is one byte wider.
           CFormat("%-19s  %15s  %16s\n", "Zeit", "Versatz (s)", "Verzögerung (s)");
}

std::string WatchLine(const WatchMeasurement& measurement, const std::string& localTime)
{
    const SampleOutcome& sample = measurement.Sample;
    if (!sample.Succeeded) {
        // A failed key exchange always says why, as the report's line after the number does.
        const std::string why =
            measurement.NtsProblem ? " " + EscapeControlCharacters(FailureText(*measurement.NtsProblem)) : "";
        return CFormat("%-19s  (Fehler Nr. %u)%s\n", localTime.c_str(), static_cast<unsigned>(sample.Error),
                       why.c_str());
    }
    const SntpResult& r = sample.Result;
    return CFormat(kLineFormat, localTime.c_str(), CFormat("%+.9f", r.ClockOffset).c_str(),
                   CFormat("%.9f", r.RoundtripDelay).c_str(),
                   WatchStrip(r.ClockOffset, measurement.ScaleSeconds).c_str(), r.Interleaved ? " IL" : "");
}

std::string LocalTimeText(std::int64_t unixMicroseconds)
{
    const auto seconds = static_cast<std::time_t>(
        unixMicroseconds >= 0 ? unixMicroseconds / 1'000'000 : -((-unixMicroseconds + 999'999) / 1'000'000));
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string WatchSummaryText(const WatchSummary& s)
{
    std::string text = CFormat("Austausche: %d, beantwortet: %d", s.Exchanges, s.Answered);
    if (s.OffsetMin)
        text += CFormat("; Versatz min/Median/max: %+.9f/%+.9f/%+.9f s", *s.OffsetMin, *s.OffsetMedian, *s.OffsetMax);
    if (s.Jitter)
        text += CFormat("; Jitter: %.9f s", *s.Jitter);
    if (s.Drift)
        text += CFormat("; Drift: %+.3f ± %.3f ppm (%+.4f s pro Tag)", s.Drift->DriftPpm, s.Drift->DriftPpmUncertainty,
                        s.Drift->SecondsPerDay);
    return text + "\n";
}

} // namespace brisvander
