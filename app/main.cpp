#include "BackgroundJob.h"
#include "BackgroundTimeCommand.h"
#include "BrisvanderApp.h"
#include "ClockRightHelper.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char* argv[])
{
    using brisvander::ClockRightStart;
    using brisvander::ClockRightUse;
    // While the process has one thread, before Qt starts any. Qt loads
    // plugins, themes and input methods from paths the user controls, so an
    // ordinary user's program gives up a file-granted clock right and asks
    // the desktop's time service instead. Root's keeps it, in the clock
    // helper, for one setting: nothing it loads is beyond root's reach.
    const bool root = getuid() == 0 && geteuid() == 0;
    const ClockRightStart right =
        brisvander::SeparateClockRight(root ? ClockRightUse::OneSetting : ClockRightUse::None);
    if (right == ClockRightStart::NotSingleThreaded || right == ClockRightStart::Failed) {
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
    // A run closed on may wait for a name lookup that nothing can cancel, and
    // a window's reading or survey is not waited for either: end without
    // waiting for them, the settings are written by now.
    if (brisvander::AbandonedTimeCommandsRunning() || brisvander::AbandonedJobsRunning()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
