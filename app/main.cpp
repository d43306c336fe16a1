#include "BackgroundTimeCommand.h"
#include "BrisvanderApp.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
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
