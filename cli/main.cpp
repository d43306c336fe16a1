// brisvander-cli: the desktop program's Info and Abgleichen for scripts and
// machines without a display.
#include "CliExitStatus.h"
#include "CliOutput.h"
#include "CliRun.h"
#include "ClockRightHelper.h"
#include "ProgramClockControl.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace brisvander;
    // While the process has one thread: a right to set the clock goes to
    // the clock helper, for the one setting of a sync; nothing else here
    // ever holds it.
    const ClockRightStart right = SeparateClockRight(ClockRightUse::OneSetting);
    if (right == ClockRightStart::NotSingleThreaded || right == ClockRightStart::Failed) {
        std::fputs("brisvander-cli: cannot give up the right to set the clock; not starting.\n", stderr);
        return ExitRightNotGivenUp;
    }
    // Before Qt opens anything of its own under a number that should be an output.
    KeepStandardDescriptorsTaken();
    // A reader that went away makes the write fail (and exit 74 with a word
    // why) instead of ending the program silently.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(Settings::Organisation);
    QCoreApplication::setApplicationName(Settings::Application);
    QCoreApplication::setApplicationVersion(g_strVersion);

    StreamCliOutput output(stdout, stderr);
    const int status = RunCli(QCoreApplication::arguments(), ProgramClockControl(), output);
    return output.Finish(status);
}
