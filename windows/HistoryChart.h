#pragma once
// The Verlauf plot (Qt Charts): offset over local date and time for each
// server, its delay as a band around it, the clock's steps as vertical
// marks, and the drift's lines with the figures written on the plot.
// Series carry object names for a reader: "offset:<host>", "delay:<host>",
// "drift:<host>" and "step".
#include "HistorySnapshot.h"

#include <QChart>
#include <QString>

class QDateTimeAxis;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QValueAxis;

namespace brisvander {

class HistoryChart : public QChart {
public:
    HistoryChart();

    // Draws `snapshot` across `columns` pixel columns in place of what was
    // drawn; many measurements are gathered per column (PlotColumns.h).
    // Without measurements it draws nothing.
    void Show(const HistorySnapshot& snapshot, int columns);

    // The drift's figures as written on the plot; empty when nothing is drawn.
    QString DriftText() const;
    // The offset axis's unit, "ms" or "µs".
    QString OffsetUnit() const { return m_unit; }
    // The axes: local date and time along, the offset up.
    QDateTimeAxis* TimeAxis() const { return m_time; }
    QValueAxis* OffsetAxis() const { return m_offset; }

private:
    void AddSeries(QAbstractSeries* series, bool inLegend);
    void PlaceDriftText();

    QDateTimeAxis* m_time = nullptr;
    QValueAxis* m_offset = nullptr;
    QGraphicsRectItem* m_driftBox = nullptr;
    QGraphicsSimpleTextItem* m_driftText = nullptr;
    QString m_unit;
};

} // namespace brisvander
