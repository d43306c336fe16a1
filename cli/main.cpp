// brisvander-cli: the desktop program's Info and Abgleichen for scripts and
// machines without a display.
#include "CliOutput.h"
#include "CliRun.h"
#include "ProcessClock.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace brisvander;
    // Before Qt opens anything of its own under a number that should be an output.
    KeepStandardDescriptorsTaken();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(Settings::Organisation);
    QCoreApplication::setApplicationName(Settings::Application);
    QCoreApplication::setApplicationVersion(g_strVersion);

    StreamCliOutput output(stdout, stderr);
    const int status = RunCli(QCoreApplication::arguments(), ProcessClockControl(), output);
    return output.Finish(status);
}
