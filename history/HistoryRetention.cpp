#include "HistoryRetention.h"

#include <algorithm>

namespace brisvander {

bool IsTrimDue(std::int64_t firstId, std::int64_t lastId, const RetentionPolicy& policy)
{
    if (policy.TrimEvery <= 0 || lastId < firstId || lastId <= 0)
        return false;
    // A multiple of TrimEvery lies in [firstId, lastId].
    const std::int64_t start = std::max<std::int64_t>(firstId, 1);
    return lastId / policy.TrimEvery > (start - 1) / policy.TrimEvery;
}

RetentionCut CutFor(std::int64_t newestId, std::optional<std::int64_t> nowMicroseconds,
                    const RetentionPolicy& policy)
{
    RetentionCut cut;
    cut.RemoveIdsUpTo = std::max<std::int64_t>(0, newestId - policy.MaxRows);
    if (nowMicroseconds)
        cut.RemoveBefore = *nowMicroseconds - policy.MaxAgeMicroseconds;
    return cut;
}

} // namespace brisvander
