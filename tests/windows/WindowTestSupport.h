#pragma once
// What the windows' tests share: waiting with the event loop running, and
// reading back what a chart draws.
#include <QAbstractSeries>
#include <QApplication>
#include <QChart>
#include <QElapsedTimer>
#include <QThread>
#include <QXYSeries>

#include <functional>
#include <vector>

namespace brisvander::testsupport {

// Handles events until `condition` holds, at most `milliseconds`.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 10000)
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

// The chart's series of that object name and type, in the order drawn.
template <class Series = QXYSeries>
std::vector<Series*> SeriesNamed(const QChart& chart, const QString& objectName)
{
    std::vector<Series*> found;
    for (QAbstractSeries* series : chart.series())
        if (series->objectName() == objectName)
            if (auto* typed = qobject_cast<Series*>(series))
                found.push_back(typed);
    return found;
}

} // namespace brisvander::testsupport
