#pragma once
// What the windows' tests share: waiting with the event loop running, and
// reading back what a chart draws.
#include "EventLoopWait.h"

#include <QAbstractSeries>
#include <QApplication>
#include <QChart>
#include <QXYSeries>

#include <functional>
#include <vector>

namespace brisvander::testsupport {

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
