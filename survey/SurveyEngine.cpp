#include "SurveyEngine.h"

#include "Endpoint.h"
#include "ErrorCodes.h"
#include "NtpPacket.h"
#include "ServerExchanges.h"
#include "SurveySocket.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <queue>
#include <unordered_map>

namespace brisvander {

namespace {
using Clock = std::chrono::steady_clock;

struct Server {
    SocketAddress Address;
    ServerExchanges Exchanges;
    std::vector<std::size_t> Hosts; // indices of the hosts that reach this address
    bool Counted = false;           // its end has been counted
};

// Due times of the servers; an entry whose time is no longer its server's
// next one is stale and skipped.
using DueHeap = std::priority_queue<std::pair<SteadyTime, std::size_t>, std::vector<std::pair<SteadyTime, std::size_t>>,
                                    std::greater<>>;

SurveyPace PaceOf(const SurveyPlan& plan)
{
    return {std::clamp(plan.Samples, 1, MaxSurveySamples), std::max(plan.Interval, MinSurveyInterval),
            plan.ExchangeTimeout};
}

int FamilySlot(int family) { return family == AF_INET6 ? 1 : 0; }

class SurveyRun {
public:
    SurveyRun(std::span<const std::string> hosts, const SurveyPlan& plan, std::vector<std::string> names,
              std::vector<std::vector<std::size_t>> hostsOfName);
    std::vector<HostSurvey> Run();

private:
    bool Done() const { return m_lookups.AllSettled() && m_unfinished == 0; }
    bool Cancelled() const { return m_cancel != nullptr && m_cancel->load(); }
    void StopWhereItIs();
    void ReportProgress();
    void TakeLookups(SteadyTime now);
    void Place(const std::vector<std::size_t>& hosts, const ResolvedHost& resolved, SteadyTime now);
    SurveySocket* SocketFor(int family, std::uint32_t& error);
    void RunDue(SteadyTime now);
    void Send(Server& server, SteadyTime now);
    void Settle(std::size_t index);
    void Wait(SteadyTime now);
    void Drain(SurveySocket& socket);
    void DrainErrors(SurveySocket& socket);
    std::optional<std::size_t> ServerAt(const SocketAddress& address) const;
    NtpTimestamp UniqueTransmitStamp();

    SurveyPace m_pace;
    std::vector<HostSurvey> m_hosts;
    std::vector<std::vector<std::size_t>> m_hostsOfName;
    std::vector<Server> m_servers;
    std::unordered_map<std::string, std::size_t> m_serverByKey;
    SurveySocket m_sockets[2];
    std::uint32_t m_socketErrors[2] = {0, 0};
    DueHeap m_due;
    LookupPool m_lookups;
    std::size_t m_unfinished = 0;
    std::function<void(const SurveyProgress&)> m_progress;
    const std::atomic<bool>* m_cancel = nullptr;
    std::size_t m_settled = 0;
    std::size_t m_settledReported = 0;
    NtpTimestamp m_lastTransmit;
    std::vector<std::uint8_t> m_buffer = std::vector<std::uint8_t>(NtpReplyBufferSize);
};

SurveyRun::SurveyRun(std::span<const std::string> hosts, const SurveyPlan& plan, std::vector<std::string> names,
                     std::vector<std::vector<std::size_t>> hostsOfName)
    : m_pace(PaceOf(plan)), m_hostsOfName(std::move(hostsOfName)),
      m_lookups(std::move(names), plan.Port, plan.LookupThreads, plan.LookupTimeout), m_progress(plan.Progress),
      m_cancel(plan.Cancel)
{
    for (const std::string& host : hosts) {
        HostSurvey entry;
        entry.Host = host;
        entry.Port = plan.Port;
        m_hosts.push_back(entry);
    }
}

std::vector<HostSurvey> SurveyRun::Run()
{
    while (!Done() && !Cancelled()) {
        TakeLookups(Clock::now());
        RunDue(Clock::now());
        ReportProgress();
        if (!Done())
            Wait(Clock::now());
    }
    ReportProgress();
    if (!Done())
        StopWhereItIs();
    for (const Server& server : m_servers)
        for (const std::size_t host : server.Hosts)
            server.Exchanges.Report(m_hosts[host]);
    return m_hosts;
}

void SurveyRun::StopWhereItIs()
{
    for (Server& server : m_servers)
        server.Exchanges.Cancel();
    // A host whose name lookup has not come back has neither address nor error.
    for (HostSurvey& host : m_hosts)
        if (host.Address.empty() && host.Error == 0)
            host.Error = ErrorCode::Interrupted;
}

void SurveyRun::ReportProgress()
{
    if (!m_progress || m_settled == m_settledReported)
        return;
    m_settledReported = m_settled;
    m_progress({m_settled, m_hosts.size()});
}

void SurveyRun::TakeLookups(SteadyTime now)
{
    for (const LookupOutcome& outcome : m_lookups.TakeSettled(now))
        Place(m_hostsOfName[outcome.Index], outcome.Resolved, now);
}

void SurveyRun::Place(const std::vector<std::size_t>& hosts, const ResolvedHost& resolved, SteadyTime now)
{
    std::uint32_t error = resolved.Error != 0 ? resolved.Error : ErrorCode::NoData;
    for (const SocketAddress& address : resolved.Addresses) {
        if (SocketFor(address.Family(), error) == nullptr)
            continue;
        const std::string key = EndpointKey(address);
        auto [found, added] = m_serverByKey.try_emplace(key, m_servers.size());
        if (added) {
            m_servers.push_back({address, ServerExchanges(m_pace, now), {}, false});
            m_due.emplace(now, found->second);
            ++m_unfinished;
        }
        Server& server = m_servers[found->second];
        for (const std::size_t host : hosts) {
            server.Hosts.push_back(host);
            m_hosts[host].Address = NumericAddress(address);
        }
        if (server.Counted)
            m_settled += hosts.size();
        return;
    }
    for (const std::size_t host : hosts)
        m_hosts[host].Error = error;
    m_settled += hosts.size();
}

SurveySocket* SurveyRun::SocketFor(int family, std::uint32_t& error)
{
    const int slot = FamilySlot(family);
    if (!m_sockets[slot].IsOpen() && m_socketErrors[slot] == 0)
        m_socketErrors[slot] = m_sockets[slot].Open(family);
    if (m_sockets[slot].IsOpen())
        return &m_sockets[slot];
    error = m_socketErrors[slot];
    return nullptr;
}

void SurveyRun::RunDue(SteadyTime now)
{
    while (!m_due.empty() && m_due.top().first <= now) {
        const auto [due, index] = m_due.top();
        m_due.pop();
        Server& server = m_servers[index];
        if (server.Exchanges.Finished() || server.Exchanges.NextTime() != due)
            continue;
        if (server.Exchanges.AwaitingReply())
            server.Exchanges.TimeOut(now);
        else
            Send(server, now);
        Settle(index);
    }
}

void SurveyRun::Send(Server& server, SteadyTime now)
{
    const NtpTimestamp transmit = UniqueTransmitStamp();
    const NtpRequest request = BuildNtpRequest(transmit);
    std::uint32_t error = 0;
    SurveySocket* socket = SocketFor(server.Address.Family(), error);
    error = socket->SendTo(server.Address, request.data(), request.size());
    // An ICMP error for another server is also left pending on the socket,
    // and the kernel hands it to the next send instead of sending: take it
    // to its server, then send.
    if (error != ErrorCode::Success && error != ErrorCode::WouldBlock && error != ErrorCode::NoBufferSpace) {
        DrainErrors(*socket);
        error = socket->SendTo(server.Address, request.data(), request.size());
    }
    if (error != ErrorCode::Success)
        server.Exchanges.RequestFailed(error, now);
    else
        server.Exchanges.RequestSent(transmit, now);
}

// After anything happened to a server: count its end, or note when it is due next.
void SurveyRun::Settle(std::size_t index)
{
    Server& server = m_servers[index];
    if (server.Exchanges.Finished()) {
        if (!server.Counted) {
            server.Counted = true;
            --m_unfinished;
            m_settled += server.Hosts.size();
        }
        return;
    }
    m_due.emplace(server.Exchanges.NextTime(), index);
}

void SurveyRun::Wait(SteadyTime now)
{
    SteadyTime until = now + (m_cancel != nullptr ? SurveyCancelCheck : std::chrono::milliseconds(1000));
    if (!m_due.empty())
        until = std::min(until, m_due.top().first);
    if (const std::optional<SteadyTime> lookup = m_lookups.NextDeadline())
        until = std::min(until, *lookup);
    pollfd entries[3] = {{m_sockets[0].Descriptor(), POLLIN, 0},
                         {m_sockets[1].Descriptor(), POLLIN, 0},
                         {m_lookups.WakeDescriptor(), POLLIN, 0}};
    // poll ignores negative descriptors, so sockets not yet open cost nothing.
    if (poll(entries, 3, MillisecondsUntil(until)) <= 0)
        return;
    for (int slot = 0; slot < 2; ++slot) {
        if ((entries[slot].revents & POLLERR) != 0)
            DrainErrors(m_sockets[slot]);
        if ((entries[slot].revents & POLLIN) != 0)
            Drain(m_sockets[slot]);
    }
}

// Reads everything waiting, so that many replies at once do not overflow the buffer.
void SurveyRun::Drain(SurveySocket& socket)
{
    for (int failures = 0; failures < 8;) {
        const NtpTimestamp readAt = NtpTimestamp::Now();
        std::fill(m_buffer.begin(), m_buffer.end(), std::uint8_t{0});
        const SurveySocket::Datagram datagram = socket.Receive(m_buffer.data(), m_buffer.size());
        if (datagram.Error == ErrorCode::WouldBlock)
            return;
        if (datagram.Error != ErrorCode::Success) {
            // An ICMP error is also reported once here; its address is in the error queue.
            DrainErrors(socket);
            ++failures;
            continue;
        }
        const std::optional<std::size_t> index = ServerAt(datagram.From);
        if (!index)
            continue;
        const NtpTimestamp arrival = datagram.HasArrivalStamp ? datagram.Arrival : readAt;
        if (m_servers[*index].Exchanges.TakeDatagram(m_buffer.data(), datagram.FullLength, arrival, Clock::now()) !=
            ServerExchanges::Taken::Discarded)
            Settle(*index);
    }
}

void SurveyRun::DrainErrors(SurveySocket& socket)
{
    while (const std::optional<SurveySocket::NetworkError> error = socket.TakeNetworkError()) {
        const std::optional<std::size_t> index = ServerAt(error->To);
        if (!index || !m_servers[*index].Exchanges.AwaitingReply())
            continue;
        m_servers[*index].Exchanges.TakeNetworkError(error->Error, Clock::now());
        Settle(*index);
    }
}

std::optional<std::size_t> SurveyRun::ServerAt(const SocketAddress& address) const
{
    const auto found = m_serverByKey.find(EndpointKey(address));
    if (found == m_serverByKey.end())
        return std::nullopt;
    return found->second;
}

// Replies are matched by their echo of our transmit timestamp, so no two
// requests of a survey may carry the same one.
NtpTimestamp SurveyRun::UniqueTransmitStamp()
{
    NtpTimestamp stamp = NtpTimestamp::Now();
    if (stamp.Value() <= m_lastTransmit.Value())
        stamp = NtpTimestamp(m_lastTransmit.Value() + 1);
    m_lastTransmit = stamp;
    return stamp;
}
} // namespace

std::vector<HostSurvey> RunSurvey(std::span<const std::string> hosts, const SurveyPlan& plan)
{
    if (plan.Port < 1 || plan.Port > 65535) {
        std::vector<HostSurvey> failed(hosts.size());
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            failed[i].Host = hosts[i];
            failed[i].Port = plan.Port;
            failed[i].Error = ErrorCode::AddressNotAvailable;
        }
        return failed;
    }
    // A name given twice is looked up once.
    std::vector<std::string> names;
    std::vector<std::vector<std::size_t>> hostsOfName;
    std::map<std::string, std::size_t> nameIndex;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const auto [found, added] = nameIndex.try_emplace(hosts[i], names.size());
        if (added) {
            names.push_back(hosts[i]);
            hostsOfName.emplace_back();
        }
        hostsOfName[found->second].push_back(i);
    }
    SurveyRun run(hosts, plan, std::move(names), std::move(hostsOfName));
    return run.Run();
}

} // namespace brisvander
