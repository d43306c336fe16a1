#pragma once
// Waiting in a widget test with the event loop running, so that queued
// results, timers and paints arrive while the test waits.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace brisvander::testsupport {

// Handles events until `condition` holds, at most `milliseconds`; false
// when it never did.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 15000)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Handles events for `milliseconds`.
inline void HandleEventsFor(int milliseconds)
{
    WaitUntil([] { return false; }, milliseconds);
}

} // namespace brisvander::testsupport
