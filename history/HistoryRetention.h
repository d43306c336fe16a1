#pragma once
// How much history is kept: rows older than a year go, and rows beyond a
// million. Checked now and then, never by counting rows: row ids only grow,
// so the newest id tells how many rows can be above a cut. No Qt.
#include <cstdint>
#include <optional>

namespace brisvander {

struct RetentionPolicy {
    std::int64_t MaxAgeMicroseconds = 366LL * 24 * 3600 * 1000000; // a year, leap years included
    std::int64_t MaxRows = 1000000;
    std::int64_t TrimEvery = 1000; // look once in this many inserted rows
};

// Whether the insert that got row ids firstId to lastId (one row: both the
// same) should look: when a multiple of TrimEvery lies among them.
bool IsTrimDue(std::int64_t firstId, std::int64_t lastId, const RetentionPolicy& policy);

// What to remove, given the newest row id and a trusted "now" (UTC Unix
// microseconds; none when nothing says what time it is): rows whose id is
// at most RemoveIdsUpTo, and rows older than RemoveBefore.
struct RetentionCut {
    std::int64_t RemoveIdsUpTo = 0; // 0: none by count
    std::optional<std::int64_t> RemoveBefore;
};
RetentionCut CutFor(std::int64_t newestId, std::optional<std::int64_t> nowMicroseconds,
                    const RetentionPolicy& policy);

} // namespace brisvander
