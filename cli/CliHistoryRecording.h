#pragma once
// The history a command of brisvander-cli records into: the state folder's
// file, opened on a thread of its own as the command starts so that the
// opening overlaps the exchange; none with --no-history.
#include "BackgroundHistoryRecorder.h"
#include "CliCommandLine.h"
#include "CliOutput.h"

#include <memory>

namespace brisvander {

// Null with --no-history. The one warning that the history could not be
// written goes to `output`'s message stream, which must outlive the recorder.
std::unique_ptr<BackgroundHistoryRecorder> StartCliHistory(const CliCommandLine& line, CliOutput& output);

} // namespace brisvander
