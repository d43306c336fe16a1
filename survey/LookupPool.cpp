#include "LookupPool.h"

#include "ErrorCodes.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace brisvander {

namespace {
enum class LookupState {
    Waiting,  // not started
    Running,  // a thread is in it
    Finished, // its answer waits to be taken
    GivenUp,  // past its bound; its thread may still be in it
    Taken,    // its answer was taken
};
} // namespace

struct LookupPool::Shared {
    std::mutex Mutex;
    std::vector<std::string> Names;
    int Port = 0;
    HostResolver Resolve;
    std::chrono::milliseconds Bound{};
    std::vector<LookupState> States;
    std::vector<SteadyTime> Started;
    std::vector<LookupOutcome> Finished; // answers not yet taken
    std::vector<std::optional<std::size_t>> RunningOn; // per thread: the lookup it is in
    std::size_t NextWaiting = 0;
    std::size_t SettledCount = 0;
    bool Stopping = false;
    int Wake = -1;

    ~Shared()
    {
        if (Wake >= 0)
            close(Wake);
    }

    std::optional<std::size_t> TakeWaiting(std::size_t worker)
    {
        std::lock_guard lock(Mutex);
        RunningOn[worker].reset();
        while (!Stopping && NextWaiting < Names.size()) {
            const std::size_t index = NextWaiting++;
            if (States[index] != LookupState::Waiting)
                continue;
            States[index] = LookupState::Running;
            Started[index] = std::chrono::steady_clock::now();
            RunningOn[worker] = index;
            return index;
        }
        return std::nullopt;
    }

    void Deliver(std::size_t index, ResolvedHost resolved)
    {
        std::lock_guard lock(Mutex);
        if (States[index] != LookupState::Running)
            return; // given up meanwhile
        States[index] = LookupState::Finished;
        Finished.push_back({index, std::move(resolved)});
        const std::uint64_t one = 1;
        if (Wake >= 0 && write(Wake, &one, sizeof one) < 0)
            return; // the loop still sees it at its next deadline
    }
};

namespace {
void Work(std::shared_ptr<LookupPool::Shared> shared, std::size_t worker)
{
    while (const std::optional<std::size_t> index = shared->TakeWaiting(worker))
        shared->Deliver(*index, shared->Resolve(shared->Names[*index], shared->Port));
}

ResolvedHost GivenUp()
{
    ResolvedHost resolved;
    resolved.Error = ErrorCode::TryAgain;
    return resolved;
}
} // namespace

HostResolver LookupPool::DefaultResolver()
{
    return [](const std::string& name, int port) { return ResolveHost(name.c_str(), port); };
}

LookupPool::LookupPool(std::vector<std::string> names, int port, int threads, std::chrono::milliseconds bound,
                       HostResolver resolve)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->Resolve = std::move(resolve);
    const std::size_t count = names.size();
    m_shared->Names = std::move(names);
    m_shared->Port = port;
    m_shared->Bound = bound;
    m_shared->States.assign(count, LookupState::Waiting);
    m_shared->Started.resize(count);
    m_shared->Wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    const std::size_t workers =
        std::max<std::size_t>(1, std::min({count, static_cast<std::size_t>(std::max(threads, 1)),
                                           static_cast<std::size_t>(MaxLookupThreads)}));
    m_shared->RunningOn.resize(workers);
    for (std::size_t w = 0; w < workers && count > 0; ++w)
        m_threads.emplace_back(Work, m_shared, w);
}

LookupPool::~LookupPool()
{
    std::vector<bool> stuck(m_threads.size(), false);
    {
        std::lock_guard lock(m_shared->Mutex);
        m_shared->Stopping = true;
        for (std::size_t w = 0; w < m_threads.size(); ++w)
            stuck[w] = m_shared->RunningOn[w].has_value();
    }
    for (std::size_t w = 0; w < m_threads.size(); ++w) {
        if (stuck[w])
            m_threads[w].detach();
        else
            m_threads[w].join();
    }
}

int LookupPool::WakeDescriptor() const { return m_shared->Wake; }

std::vector<LookupOutcome> LookupPool::TakeSettled(SteadyTime now)
{
    std::lock_guard lock(m_shared->Mutex);
    Shared& s = *m_shared;
    std::uint64_t count = 0;
    if (s.Wake >= 0 && read(s.Wake, &count, sizeof count) < 0)
        count = 0; // nothing was signalled
    std::vector<LookupOutcome> settled = std::move(s.Finished);
    s.Finished.clear();
    for (const LookupOutcome& outcome : settled)
        s.States[outcome.Index] = LookupState::Taken;

    std::size_t stuckThreads = 0;
    for (const std::optional<std::size_t>& running : s.RunningOn) {
        if (!running)
            continue;
        if (s.States[*running] == LookupState::Running && now >= s.Started[*running] + s.Bound) {
            s.States[*running] = LookupState::GivenUp;
            settled.push_back({*running, GivenUp()});
        }
        stuckThreads += s.States[*running] == LookupState::GivenUp ? 1 : 0;
    }
    // No thread left to take them: the resolver is not answering.
    if (stuckThreads == s.RunningOn.size()) {
        for (std::size_t i = s.NextWaiting; i < s.Names.size(); ++i) {
            if (s.States[i] != LookupState::Waiting)
                continue;
            s.States[i] = LookupState::GivenUp;
            settled.push_back({i, GivenUp()});
        }
    }
    s.SettledCount += settled.size();
    return settled;
}

std::optional<SteadyTime> LookupPool::NextDeadline() const
{
    std::lock_guard lock(m_shared->Mutex);
    std::optional<SteadyTime> earliest;
    for (const std::optional<std::size_t>& running : m_shared->RunningOn)
        if (running && m_shared->States[*running] == LookupState::Running) {
            const SteadyTime bound = m_shared->Started[*running] + m_shared->Bound;
            earliest = earliest ? std::min(*earliest, bound) : bound;
        }
    return earliest;
}

bool LookupPool::AllSettled() const
{
    std::lock_guard lock(m_shared->Mutex);
    return m_shared->SettledCount == m_shared->Names.size();
}

} // namespace brisvander
