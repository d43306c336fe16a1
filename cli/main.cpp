// brisvander-cli: the desktop program's Info and Abgleichen for scripts and
// machines without a display.
#include "CliOutput.h"
#include "CliRun.h"
#include "ProcessClock.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace brisvander;
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
    const int status = RunCli(QCoreApplication::arguments(), ProcessClockControl(), output);
    return output.Finish(status);
}
