#pragma once
// A series of authenticated exchanges over one association. The session is
// renewed by one more key exchange at most per run: when the server refuses
// its cookies and nothing authentic came by the deadline, or when no cookie
// is left (replies lost). Each exchange's failure keeps its facts, so a
// series never ends with a key-exchange number that has no reason.
#include "Failure.h"
#include "NtsQuery.h"
#include "SampleSeries.h"
#include "SntpClient.h"

#include <optional>
#include <vector>

namespace brisvander {

struct NtsSeriesOutcome {
    std::vector<SampleOutcome> Samples; // every exchange made, in order; never empty
    std::optional<Failure> LastFailure; // the last exchange's failure where it has more than its number
    bool CookiesRanOut = false;         // ended early: no cookie left, and the run's renewal spent
};

// Runs `plan` over `association`, which must hold a session. Blocks the
// calling thread for the exchanges, the pauses and a key exchange if one is
// needed. The association keeps what is left for KeepNtsSession.
NtsSeriesOutcome RunNtsSeries(SntpClient& client, NtsAssociation& association, const NtsOptions& options,
                              const SeriesPlan& plan, const SamplePause& pause);

} // namespace brisvander
