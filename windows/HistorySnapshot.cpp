#include "HistorySnapshot.h"

#include "HistoryReader.h"
#include "HistoryStore.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace brisvander {

namespace {
constexpr std::int64_t kHourMicroseconds = 3'600'000'000;

// Any successful measurement at all, whatever its time.
bool HasAnyMeasurement(const HistoryStore& store)
{
    bool found = false;
    ForEachMeasurement(store, {}, [&found](const MeasurementRecord& record) {
        found = record.Succeeded;
        return !found;
    });
    return found;
}

HistorySnapshot Unreadable(HistorySnapshot snapshot, HistoryStatus status)
{
    snapshot.Content = HistoryContent::Unreadable;
    snapshot.Status = status;
    return snapshot;
}
} // namespace

std::optional<std::int64_t> SpanStart(HistorySpan span, std::int64_t nowMicroseconds)
{
    switch (span) {
    case HistorySpan::LastHour: return nowMicroseconds - kHourMicroseconds;
    case HistorySpan::LastDay: return nowMicroseconds - 24 * kHourMicroseconds;
    case HistorySpan::LastWeek: return nowMicroseconds - 7 * 24 * kHourMicroseconds;
    case HistorySpan::All: break;
    }
    return std::nullopt;
}

std::size_t HistorySnapshot::MeasurementCount() const
{
    std::size_t count = 0;
    for (const ServerHistory& server : Servers)
        count += server.Points.size();
    return count;
}

void HistorySnapshot::Append(std::string_view host, const DriftPoint& point)
{
    auto server = std::lower_bound(Servers.begin(), Servers.end(), host,
                                   [](const ServerHistory& s, std::string_view h) { return s.Host < h; });
    if (server == Servers.end() || server->Host != host)
        server = Servers.insert(server, ServerHistory{std::string(host), {}, 0});
    server->Points.push_back(point);
    Until = std::max(Until, point.UnixMicroseconds);
    Content = HistoryContent::Measurements;
}

HistorySnapshot ReadHistorySnapshot(const std::string& path, HistorySpan span, std::int64_t nowMicroseconds)
{
    HistorySnapshot snapshot;
    snapshot.Since = SpanStart(span, nowMicroseconds);
    snapshot.Until = nowMicroseconds;
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error))
        return snapshot;

    HistoryStore store;
    if (const HistoryStatus status = store.Open(path); status != HistoryStatus::Ok)
        return Unreadable(std::move(snapshot), status);
    const HistoryFilter filter{snapshot.Since, std::nullopt};
    if (const HistoryStatus status = ForEachStep(store, filter, [&snapshot](const ClockStepRecord& step) {
            snapshot.Steps.push_back(step);
            return true;
        });
        status != HistoryStatus::Ok)
        return Unreadable(std::move(snapshot), status);

    std::vector<std::int64_t> stepPositions;
    if (const HistoryStatus status = ReadStepPositions(store, stepPositions); status != HistoryStatus::Ok)
        return Unreadable(std::move(snapshot), status);
    const std::int64_t lastStep = stepPositions.empty() ? 0 : *std::max_element(stepPositions.begin(), stepPositions.end());

    // One pass feeds the plot and the drift alike.
    DriftEstimator estimator(std::move(stepPositions));
    std::map<std::string, ServerHistory, std::less<>> servers;
    ServerHistory* current = nullptr;
    const HistoryStatus status =
        ForEachDriftPoint(store, filter, [&](std::string_view host, std::int64_t id, const DriftPoint& point) {
            estimator.Add(host, id, point);
            if (current == nullptr || current->Host != host) {
                auto [found, added] = servers.try_emplace(std::string(host));
                if (added)
                    found->second.Host = host;
                current = &found->second;
            }
            if (id <= lastStep)
                current->LastSegmentStart = current->Points.size() + 1;
            current->Points.push_back(point);
        });
    if (status != HistoryStatus::Ok)
        return Unreadable(std::move(snapshot), status);
    snapshot.Drift = estimator.Finish();
    for (auto& [host, server] : servers)
        snapshot.Servers.push_back(std::move(server));

    if (!snapshot.Servers.empty())
        snapshot.Content = HistoryContent::Measurements;
    else if (snapshot.Since && HasAnyMeasurement(store))
        snapshot.Content = HistoryContent::NoneInSpan;
    return snapshot;
}

} // namespace brisvander
