#include "DriftEstimator.h"

#include <algorithm>

namespace brisvander {

DriftEstimate DriftEstimateFromSlope(const SlopeFit& fit)
{
    DriftEstimate estimate;
    estimate.DriftPpm = -fit.Slope * 1e6;
    estimate.DriftPpmUncertainty = fit.SlopeError * 1e6;
    estimate.SecondsPerDay = estimate.DriftPpm * 86400e-6;
    estimate.Measurements = fit.Points;
    estimate.SpanSeconds = static_cast<double>(fit.LastMicroseconds - fit.FirstMicroseconds) * 1e-6;
    return estimate;
}

DriftEstimator::DriftEstimator(std::vector<std::int64_t> stepPositions) : m_steps(std::move(stepPositions))
{
    std::sort(m_steps.begin(), m_steps.end());
}

void DriftEstimator::CloseSegment(ServerState& server)
{
    if (const std::optional<SlopeFit> fit = FitOffsetSlope(server.Points))
        server.Fits.push_back(*fit);
    server.Points.clear();
}

void DriftEstimator::Add(std::string_view host, std::int64_t sequence, const DriftPoint& point)
{
    while (m_stepsPassed < m_steps.size() && m_steps[m_stepsPassed] < sequence)
        ++m_stepsPassed;
    // Most rows come from the server of the row before.
    if (m_lastServer == nullptr || host != m_lastHost) {
        auto found = m_servers.find(host);
        if (found == m_servers.end())
            found = m_servers.emplace(std::string(host), ServerState{m_stepsPassed, {}, {}}).first;
        m_lastHost = found->first;
        m_lastServer = &found->second;
    }
    ServerState& server = *m_lastServer;
    if (server.Segment != m_stepsPassed) {
        CloseSegment(server);
        server.Segment = m_stepsPassed;
    }
    server.Points.push_back(point);
}

DriftReport DriftEstimator::Finish()
{
    DriftReport report;
    std::vector<SlopeFit> serverFits;
    for (auto& [host, server] : m_servers) {
        CloseSegment(server);
        if (const std::optional<SlopeFit> fit = CombineSlopes(server.Fits)) {
            report.Servers.push_back({host, DriftEstimateFromSlope(*fit)});
            serverFits.push_back(*fit);
        }
    }
    if (const std::optional<SlopeFit> all = CombineSlopes(serverFits))
        report.Combined = DriftEstimateFromSlope(*all);
    m_lastServer = nullptr;
    return report;
}

} // namespace brisvander
