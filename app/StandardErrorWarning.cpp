#include "StandardErrorWarning.h"

#include "FailureText.h"

#include <cstdio>

namespace brisvander {

void WarnOnStandardError(const Failure& failure)
{
    std::fprintf(stderr, "brisvander: %s\n", FailureText(failure).c_str());
}

} // namespace brisvander
