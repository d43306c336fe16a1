#include "HistoryChart.h"

#include "DriftLine.h"
#include "PlotColumns.h"
#include "RoundAxisTicks.h"

#include <QAreaSeries>
#include <QBrush>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brisvander {

namespace {
const QColor kServerColors[] = {QColor(0x1f, 0x5f, 0xb4), QColor(0xd9, 0x6c, 0x06), QColor(0x2a, 0x8a, 0x3e),
                                QColor(0x8e, 0x3f, 0xa8), QColor(0x1b, 0x8a, 0x8f), QColor(0x9a, 0x6b, 0x2f)};
const QColor kStepColor(0xb0, 0x20, 0x20);
// Up to this many empty columns a line goes on across them.
constexpr int kMaxGapColumns = 8;
// Fewer measurements than this are marked one by one.
constexpr std::size_t kMarkedPointsLimit = 300;
constexpr std::int64_t kHalfHourMicroseconds = 1'800'000'000;
constexpr std::int64_t kDayMicroseconds = 86'400'000'000;

struct Scale {
    double PerSecond = 1e3;
    QString Unit = QStringLiteral("ms");
};

// µs where every offset with its half delay stays under a millisecond.
Scale ScaleFor(const HistorySnapshot& snapshot)
{
    double largest = 0;
    for (const ServerHistory& server : snapshot.Servers)
        for (const DriftPoint& point : server.Points)
            largest = std::max(largest, std::fabs(point.OffsetSeconds) + std::max(0.0, point.DelaySeconds) / 2);
    return largest < 1e-3 ? Scale{1e6, QStringLiteral("µs")} : Scale{};
}

PlotFrame FrameFor(const HistorySnapshot& snapshot, int columns)
{
    if (snapshot.Since)
        return {*snapshot.Since, snapshot.Until, columns};
    std::int64_t from = std::numeric_limits<std::int64_t>::max();
    std::int64_t to = std::numeric_limits<std::int64_t>::min();
    for (const ServerHistory& server : snapshot.Servers)
        for (const DriftPoint& point : server.Points) {
            from = std::min(from, point.UnixMicroseconds);
            to = std::max(to, point.UnixMicroseconds);
        }
    if (to - from < 2 * kHalfHourMicroseconds) {
        const std::int64_t middle = from + (to - from) / 2;
        return {middle - kHalfHourMicroseconds, middle + kHalfHourMicroseconds, columns};
    }
    return {from, to, columns};
}

QString TimeFormatFor(const PlotFrame& frame)
{
    const std::int64_t span = frame.ToMicroseconds - frame.FromMicroseconds;
    if (span <= kDayMicroseconds / 4)
        return QStringLiteral("HH:mm");
    if (span <= 14 * kDayMicroseconds)
        return QStringLiteral("dd.MM. HH:mm");
    return QStringLiteral("dd.MM.yyyy");
}

double Milliseconds(std::int64_t microseconds) { return static_cast<double>(microseconds) / 1000.0; }

QPen LinePen(const QColor& color, qreal width, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(color, width, style);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// The range the values span, widened by a margin; never empty.
struct ValueRange {
    double Low = std::numeric_limits<double>::infinity();
    double High = -std::numeric_limits<double>::infinity();
    void Take(double value)
    {
        Low = std::min(Low, value);
        High = std::max(High, value);
    }
    ValueRange Padded() const
    {
        const double margin = High > Low ? (High - Low) * 0.08 : std::max(1.0, std::fabs(Low) * 0.1);
        return {Low - margin, High + margin};
    }
};
} // namespace

HistoryChart::HistoryChart()
{
    m_time = new QDateTimeAxis(this);
    m_time->setTitleText(QStringLiteral("Ortszeit"));
    m_time->setTickCount(7);
    m_offset = new QValueAxis(this);
    addAxis(m_time, Qt::AlignBottom);
    addAxis(m_offset, Qt::AlignLeft);
    legend()->setAlignment(Qt::AlignBottom);

    m_driftBox = new QGraphicsRectItem(this);
    m_driftBox->setBrush(QColor(255, 255, 255, 220));
    m_driftBox->setPen(QPen(QColor(0x99, 0x99, 0xaa)));
    m_driftBox->setZValue(100);
    m_driftText = new QGraphicsSimpleTextItem(m_driftBox);
    m_driftBox->hide();
    connect(this, &QChart::plotAreaChanged, this, [this] { PlaceDriftText(); });
}

void HistoryChart::AddSeries(QAbstractSeries* series, bool inLegend)
{
    addSeries(series);
    series->attachAxis(m_time);
    series->attachAxis(m_offset);
    if (!inLegend)
        for (QLegendMarker* marker : legend()->markers(series))
            marker->setVisible(false);
}

void HistoryChart::Show(const HistorySnapshot& snapshot, int columns)
{
    removeAllSeries();
    m_driftBox->hide();
    if (snapshot.Content != HistoryContent::Measurements)
        return;
    const Scale scale = ScaleFor(snapshot);
    m_unit = scale.Unit;
    const PlotFrame frame = FrameFor(snapshot, columns);
    const auto at = [&scale](std::int64_t microseconds, double seconds) {
        return QPointF(Milliseconds(microseconds), seconds * scale.PerSecond);
    };
    std::vector<std::int64_t> cuts;
    for (const ClockStepRecord& step : snapshot.Steps)
        cuts.push_back(step.UnixMicroseconds);

    ValueRange values;
    for (std::size_t index = 0; index < snapshot.Servers.size(); ++index) {
        const ServerHistory& server = snapshot.Servers[index];
        const QString host = QString::fromStdString(server.Host);
        const QColor color = kServerColors[index % std::size(kServerColors)];
        const bool marked = server.Points.size() <= kMarkedPointsLimit;
        bool first = true;
        for (const PlotRun& run : PlotRuns(server.Points, frame, cuts, kMaxGapColumns)) {
            QList<QPointF> offsets;
            QList<QPointF> upper;
            QList<QPointF> lower;
            for (const PlotColumn& column : run) {
                offsets << at(column.Microseconds, column.OffsetLow);
                if (column.OffsetHigh != column.OffsetLow)
                    offsets << at(column.Microseconds, column.OffsetHigh);
                upper << at(column.Microseconds, column.BandHigh);
                lower << at(column.Microseconds, column.BandLow);
                values.Take(column.BandLow * scale.PerSecond);
                values.Take(column.BandHigh * scale.PerSecond);
            }
            auto* band = new QAreaSeries;
            band->setObjectName(QStringLiteral("delay:") + host);
            band->setName(QStringLiteral("Verzögerung ") + host);
            auto* bandUpper = new QLineSeries(band);
            bandUpper->replace(upper);
            auto* bandLower = new QLineSeries(band);
            bandLower->replace(lower);
            band->setUpperSeries(bandUpper);
            band->setLowerSeries(bandLower);
            QColor bandColor = color;
            bandColor.setAlpha(55);
            band->setBrush(bandColor);
            band->setPen(Qt::NoPen);
            AddSeries(band, false);

            auto* line = new QLineSeries;
            line->setObjectName(QStringLiteral("offset:") + host);
            line->setName(host);
            line->setPen(LinePen(color, 1.5));
            line->setPointsVisible(marked);
            line->setMarkerSize(5);
            line->replace(offsets);
            AddSeries(line, first);
            first = false;
        }
    }

    for (const ServerDrift& drift : snapshot.Drift.Servers) {
        const auto server = std::find_if(snapshot.Servers.begin(), snapshot.Servers.end(),
                                         [&drift](const ServerHistory& s) { return s.Host == drift.Host; });
        if (server == snapshot.Servers.end())
            continue;
        const std::span<const DriftPoint> latest = std::span(server->Points).subspan(server->LastSegmentStart);
        const std::optional<DriftLineEnds> ends = DriftLineThrough(latest, drift.Estimate.DriftPpm);
        if (!ends)
            continue;
        const QColor color = kServerColors[static_cast<std::size_t>(server - snapshot.Servers.begin()) %
                                           std::size(kServerColors)];
        auto* line = new QLineSeries;
        line->setObjectName(QStringLiteral("drift:") + QString::fromStdString(drift.Host));
        line->setName(QStringLiteral("Drift ") + QString::fromStdString(drift.Host));
        line->setPen(LinePen(color.darker(150), 2, Qt::DashLine));
        line->append(at(ends->FromMicroseconds, ends->FromOffsetSeconds));
        line->append(at(ends->ToMicroseconds, ends->ToOffsetSeconds));
        values.Take(ends->FromOffsetSeconds * scale.PerSecond);
        values.Take(ends->ToOffsetSeconds * scale.PerSecond);
        AddSeries(line, false);
    }

    const ValueRange shown = values.Padded();
    bool firstStep = true;
    for (const ClockStepRecord& step : snapshot.Steps) {
        if (step.UnixMicroseconds < frame.FromMicroseconds || step.UnixMicroseconds > frame.ToMicroseconds)
            continue;
        auto* mark = new QLineSeries;
        mark->setObjectName(QStringLiteral("step"));
        mark->setName(QStringLiteral("Uhr gestellt"));
        mark->setPen(LinePen(kStepColor, 1.5, Qt::DotLine));
        mark->append(Milliseconds(step.UnixMicroseconds), shown.Low);
        mark->append(Milliseconds(step.UnixMicroseconds), shown.High);
        AddSeries(mark, firstStep);
        firstStep = false;
    }

    m_time->setFormat(TimeFormatFor(frame));
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(frame.FromMicroseconds / 1000),
                     QDateTime::fromMSecsSinceEpoch(frame.ToMicroseconds / 1000));
    m_offset->setRange(shown.Low, shown.High);
    RoundAxisTicks(*m_offset);
    m_offset->setTitleText(QStringLiteral("Offset (%1), Band: ± halbe Verzögerung").arg(m_unit));
    m_driftText->setText(QString::fromStdString(DriftReportLines(snapshot.Drift)));
    m_driftBox->show();
    PlaceDriftText();
}

QString HistoryChart::DriftText() const { return m_driftBox->isVisible() ? m_driftText->text() : QString(); }

void HistoryChart::PlaceDriftText()
{
    constexpr qreal Padding = 4;
    const QRectF text = m_driftText->boundingRect();
    m_driftText->setPos(Padding, Padding);
    m_driftBox->setRect(0, 0, text.width() + 2 * Padding, text.height() + 2 * Padding);
    m_driftBox->setPos(plotArea().topLeft() + QPointF(8, 8));
}

} // namespace brisvander
