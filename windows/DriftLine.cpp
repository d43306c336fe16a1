#include "DriftLine.h"

#include "CFormat.h"
#include "HostText.h"

#include <algorithm>
#include <vector>

namespace brisvander {

std::optional<DriftLineEnds> DriftLineThrough(std::span<const DriftPoint> points, double driftPpm)
{
    if (points.size() < 2)
        return std::nullopt;
    const auto [earliest, latest] = std::minmax_element(
        points.begin(), points.end(), [](const DriftPoint& a, const DriftPoint& b) { return a.UnixMicroseconds < b.UnixMicroseconds; });
    const double slope = -driftPpm * 1e-6; // seconds of offset per second
    const std::int64_t origin = earliest->UnixMicroseconds;
    std::vector<double> intercepts;
    intercepts.reserve(points.size());
    for (const DriftPoint& point : points)
        intercepts.push_back(point.OffsetSeconds - slope * static_cast<double>(point.UnixMicroseconds - origin) * 1e-6);
    const auto middle = intercepts.begin() + static_cast<std::ptrdiff_t>(intercepts.size() / 2);
    std::nth_element(intercepts.begin(), middle, intercepts.end());
    const double intercept = *middle;
    const double span = static_cast<double>(latest->UnixMicroseconds - origin) * 1e-6;
    return DriftLineEnds{origin, intercept, latest->UnixMicroseconds, intercept + slope * span};
}

std::string DriftFigureText(const DriftEstimate& estimate)
{
    const char* const way = estimate.DriftPpm >= 0 ? "die Uhr geht vor" : "die Uhr geht nach";
    return CFormat("%+.2f ppm ± %.2f ppm, %+.3f s pro Tag (%s)", estimate.DriftPpm, estimate.DriftPpmUncertainty,
                   estimate.SecondsPerDay, way);
}

std::string DriftReportLines(const DriftReport& report)
{
    if (!report.Combined)
        // Two lines: one would run past the plot of a window of the usual width.
        return "Drift: zu wenige Messungen für eine Schätzung\n(mindestens 5 eines Servers über eine Minute, "
               "ohne Stellen der Uhr dazwischen)";
    std::string text;
    for (const ServerDrift& server : report.Servers)
        text += "Drift " + EscapeControlCharacters(server.Host) + ": " + DriftFigureText(server.Estimate) + "\n";
    if (report.Servers.size() > 1)
        text += "Drift aller Server: " + DriftFigureText(*report.Combined) + "\n";
    if (!text.empty())
        text.pop_back();
    return text;
}

} // namespace brisvander
