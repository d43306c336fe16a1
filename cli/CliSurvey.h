#pragma once
// brisvander-cli survey: many servers asked at once, the German table and
// verdict, or JSON or CSV.
#include "CliCommandLine.h"
#include "CliContext.h"
#include "SurveyVerdict.h"

namespace brisvander {

// The survey's exit statuses beside the shared ones: 0 with a verdict, 1
// when no server answered, 3 when answers came but gave no verdict, 64 for
// a usage error (a list file that cannot be read among them).
int RunSurveyCliCommand(const CliCommandLine& line, CliContext& context);

// ExitSuccess with a verdict, ExitQueryFailed when no server answered,
// ExitNoVerdict when answers came but gave none.
int SurveyExitStatus(const SurveyVerdict& verdict);

} // namespace brisvander
