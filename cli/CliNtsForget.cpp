#include "CliNtsForget.h"

#include "CliExitStatus.h"
#include "CliRun.h"
#include "FailureText.h"
#include "HostAddress.h"
#include "HostText.h"
#include "NtsSessionStore.h"

namespace brisvander {

std::string NtsForgetText(int removed, const std::optional<std::string>& host)
{
    const std::string whose = host ? " für " + EscapeControlCharacters(*host) : std::string();
    return "Gespeicherte NTS-Sitzungen" + whose + " gelöscht: " + std::to_string(removed) + "\n";
}

int RunNtsForgetCliCommand(const CliCommandLine& line, CliContext& context)
{
    if (line.Arguments.size() > 1)
        return ReportUsageError(context.Output, "too many arguments: " + line.Arguments.mid(1).join(' '));
    std::optional<std::string> host;
    if (!line.Arguments.isEmpty()) {
        // As a run names the server in the store: trimmed, "[::1]" as ::1.
        host = std::string(WithoutBrackets(TrimmedHost(line.Arguments[0].toStdString())));
        if (host->empty())
            return ReportUsageError(context.Output, "nts-forget needs a host, or none for every server");
    }
    const NtsForgetResult result = NtsSessionStore(DefaultNtsStoreFolder()).Forget(host);
    if (result.Warning) {
        context.Output.Message("brisvander-cli: " + EscapeControlCharacters(FailureText(*result.Warning)) + "\n");
        return ExitQueryFailed;
    }
    context.Output.Result(NtsForgetText(result.Removed, host));
    return ExitSuccess;
}

} // namespace brisvander
