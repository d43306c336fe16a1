#pragma once
// Name lookups for a survey on a few threads of their own, each lookup
// bounded in time. getaddrinfo cannot be cancelled: a lookup past its bound
// is given up (its host fails with TryAgain, 11002) and its thread left to
// finish on its own, its answer then dropped; it rejoins the pool if the
// lookup ever returns. Should every thread be stuck so, the names still
// waiting fail at once, as the resolver is evidently not answering. Threads
// stuck when the pool goes are detached; they hold only the pool's shared
// state, which the last of them frees, and the process's end stops them.
#include "Deadline.h"
#include "HostAddress.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace brisvander {

inline constexpr int MaxLookupThreads = 4;

// Resolves one name for a UDP port; ResolveHost unless a test says otherwise.
using HostResolver = std::function<ResolvedHost(const std::string& name, int port)>;

struct LookupOutcome {
    std::size_t Index = 0; // into the names given
    ResolvedHost Resolved; // ResolveHost's answer, or TryAgain when given up
};

class LookupPool {
public:
    // Starts resolving every name for UDP `port` on min(threads, names,
    // MaxLookupThreads) threads (at least one), in the order given.
    LookupPool(std::vector<std::string> names, int port, int threads, std::chrono::milliseconds bound,
               HostResolver resolve = DefaultResolver());
    static HostResolver DefaultResolver();
    ~LookupPool(); // joins the threads that are not stuck, detaches the others
    LookupPool(const LookupPool&) = delete;
    LookupPool& operator=(const LookupPool&) = delete;

    // Readable (poll) while finished lookups wait to be taken; -1 if it
    // could not be made (then call TakeSettled on NextDeadline or sooner).
    int WakeDescriptor() const;
    // The lookups finished since the last call, those past their bound at
    // `now`, and, when every thread is stuck, those still waiting.
    std::vector<LookupOutcome> TakeSettled(SteadyTime now);
    // When the earliest running lookup reaches its bound; nothing when none runs.
    std::optional<SteadyTime> NextDeadline() const;
    // Every name has been taken by TakeSettled.
    bool AllSettled() const;

    struct Shared; // what the pool and its threads share, freed by the last of them

private:
    std::shared_ptr<Shared> m_shared;
    std::vector<std::thread> m_threads;
};

} // namespace brisvander
