#pragma once
// Where the desktop program says what went wrong beside a measurement
// without stopping it (the history could not be written): on standard
// error, where a desktop session's journal keeps it.
#include "Failure.h"

namespace brisvander {

// One line, "brisvander: " and the failure's words. Any thread.
void WarnOnStandardError(const Failure& failure);

} // namespace brisvander
