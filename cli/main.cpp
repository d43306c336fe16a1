// brisvander-cli: the desktop program's Info and Abgleichen for scripts and
// machines without a display.
#include "CliRun.h"
#include "ProcessClock.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace brisvander;
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(Settings::Organisation);
    QCoreApplication::setApplicationName(Settings::Application);
    QCoreApplication::setApplicationVersion(g_strVersion);

    std::string out;
    std::string err;
    const int status = RunCli(QCoreApplication::arguments(), ProcessClockControl(), out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
