#pragma once
// Comparing what a call came to by kind alone (nullopt for a success), and
// a failure in a test's message.
#include "Failure.h"

#include <optional>
#include <ostream>

namespace brisvander {

// For test messages: the number, the kind and the cause, as numbers.
inline std::ostream& operator<<(std::ostream& out, const Failure& failure)
{
    return out << "failure " << failure.Number << " of kind " << static_cast<int>(failure.Kind) << " (cause "
               << static_cast<int>(failure.Cause) << ")";
}

} // namespace brisvander

namespace brisvander::testsupport {

// The kind of `failure`, or nullopt when there is none.
inline std::optional<FailureKind> KindOf(const std::optional<Failure>& failure)
{
    return failure ? std::optional<FailureKind>(failure->Kind) : std::nullopt;
}

} // namespace brisvander::testsupport
