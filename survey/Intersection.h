#pragma once
// The largest group of intervals that share a common point, found by a sweep
// over their ends in the manner of Marzullo's algorithm. Pure.
#include <cstddef>
#include <span>
#include <vector>

namespace brisvander {

// A closed interval, Low <= High, in any unit (the survey uses seconds).
struct OffsetInterval {
    double Low = 0.0;
    double High = 0.0;
};

struct LargestOverlap {
    std::size_t Size = 0;      // intervals in the largest group sharing a point; 0 for none given
    bool Unique = false;       // no other group of that size has another membership
    std::vector<bool> Members; // per interval in the given order: in the group (all false unless Unique)
};

// Intervals that only touch share their touching point. An interval with
// Low > High or a bound that is not a number belongs to no group.
LargestOverlap FindLargestOverlap(std::span<const OffsetInterval> intervals);

} // namespace brisvander
