#include "CliHistoryRecording.h"

#include "FailureText.h"
#include "HistoryStore.h"
#include "HostText.h"

namespace brisvander {

std::unique_ptr<BackgroundHistoryRecorder> StartCliHistory(const CliCommandLine& line, CliOutput& output)
{
    if (line.IsSet("no-history"))
        return nullptr;
    return std::make_unique<BackgroundHistoryRecorder>(DefaultHistoryPath(), [&output](const Failure& failure) {
        output.Message("brisvander-cli: " + EscapeControlCharacters(FailureText(failure)) + "\n");
    });
}

} // namespace brisvander
