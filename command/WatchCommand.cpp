#include "WatchCommand.h"

#include "ErrorCodes.h"
#include "HostText.h"
#include "MeasurementRecords.h"
#include "SampleSeries.h"

namespace brisvander {

WatchSession::WatchSession(const std::string& host, int port, SntpClient& client, const NtsOptions& nts,
                           BackgroundHistoryRecorder* history)
    : m_host(TrimmedHost(host)), m_givenPort(port), m_port(port), m_client(client), m_nts(nts), m_history(history)
{
    m_client.Interleaving.emplace();
}

SampleOutcome WatchSession::Exchange()
{
    m_problem.reset();
    if (m_nts.Enabled)
        return AuthenticatedExchange();
    SntpResult result;
    return SampleOfQuery(m_client.QueryServer(m_host.c_str(), result, m_port), result);
}

SampleOutcome WatchSession::AuthenticatedExchange()
{
    if (!m_association || !m_association->Session || m_association->Session->Cookies.empty()) {
        m_association = EstablishNts(m_host, m_givenPort, m_nts);
        m_ntsServer = m_association->KeyExchangeServer;
        m_port = m_association->NtpPort;
        // The key exchange may name another server: its state starts afresh.
        m_client.Interleaving.emplace();
        if (!m_association->Session) {
            m_problem = m_association->Problem;
            SampleOutcome failed;
            failed.Error = ErrorCode::KeyExchangeFailed;
            failed.EndedAt = NtpTimestamp::Now();
            return failed;
        }
    }
    SntpResult result;
    SampleOutcome sample = SampleOfQuery(QueryAuthenticated(m_client, *m_association, result), result);
    sample.Unproven = m_client.LastFailureUnproven;
    if (!sample.Succeeded && sample.Error == ErrorCode::KeyExchangeFailed)
        m_problem = m_association->Problem;
    return sample;
}

WatchMeasurement WatchSession::Keep(const SampleOutcome& sample)
{
    WatchMeasurement measurement;
    measurement.Sample = sample;
    if (!sample.Succeeded)
        measurement.NtsProblem = m_problem;
    const ExchangeOrigin origin{m_host, m_port, MeasurementSource::Watch, m_nts.Enabled};
    const MeasurementRecord record = MeasurementOf(sample, origin, NtpTimestamp::LocalClockSecondsSince1900());
    measurement.UnixMicroseconds = record.UnixMicroseconds;
    if (m_history != nullptr)
        m_history->Record(record);
    m_statistics.Add(sample, record.UnixMicroseconds);
    measurement.Number = ++m_made;
    measurement.ScaleSeconds = m_statistics.LargestOffsetMagnitude();
    return measurement;
}

WatchSummary RunWatch(WatchSession& session, const WatchPlan& plan, WatchStop& stop, const WatchMeasured& measured)
{
    using Clock = std::chrono::steady_clock;
    for (int made = 0; !plan.Count || made < *plan.Count; ++made) {
        if (stop.Requested())
            break;
        const Clock::time_point started = Clock::now();
        const SampleOutcome sample = session.Exchange();
        // A signal cuts the exchange's wait short; that is no failure of the server's.
        if (!sample.Succeeded && stop.Requested())
            break;
        measured(session.Keep(sample));
        if (plan.Count && made + 1 == *plan.Count)
            break;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        if (stop.WaitFor(std::max(plan.Interval - elapsed, std::chrono::milliseconds{0})))
            break;
    }
    return session.Summary();
}

} // namespace brisvander
