#include "BackgroundTimeCommand.h"
#include "BrisvanderApp.h"
#include "ClockControl.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // Qt loads plugins, themes and input methods from paths the user
    // controls, so an ordinary user's program gives up a file-granted clock
    // right before any of that and asks the desktop's time service instead.
    // Root may keep it: nothing it loads is beyond root's reach anyway.
    if ((getuid() != 0 || geteuid() != 0) && !brisvander::DropProcessClockRight()) {
        std::fputs("brisvander: cannot give up the right to set the clock; not starting.\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    int status = 0;
    {
        brisvander::CBrisvanderApp brisvander;
        if (!brisvander.InitInstance())
            return 0;
        status = QApplication::exec();
    } // the view stores the host on its way out and abandons a run still going
    // A run closed on may wait for a name lookup that nothing can cancel:
    // end without waiting for it, the settings are written by now.
    if (brisvander::AbandonedTimeCommandsRunning()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
