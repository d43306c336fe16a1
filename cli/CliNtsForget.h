#pragma once
// brisvander-cli nts-forget [HOST]: the NTS sessions kept between runs
// deleted, every one or those of one key-exchange server.
#include "CliCommandLine.h"
#include "CliContext.h"

#include <optional>
#include <string>

namespace brisvander {

// Exit status 0 when done (also with nothing stored), 1 when the store
// could not be used (said on standard error), 64 for a usage error.
int RunNtsForgetCliCommand(const CliCommandLine& line, CliContext& context);

// The line that says what went: `removed` session files, of `host` or of
// every server. German, with its line break.
std::string NtsForgetText(int removed, const std::optional<std::string>& host);

} // namespace brisvander
