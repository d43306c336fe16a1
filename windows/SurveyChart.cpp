#include "SurveyChart.h"

#include "HostText.h"
#include "RoundAxisTicks.h"
#include "SurveyTable.h"

#include <QCategoryAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QSet>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace brisvander {

namespace {
const QColor kAgrees(0x1f, 0x5f, 0xb4);
const QColor kDisagrees(0xc0, 0x1c, 0x1c);
const QColor kUndecided(0x70, 0x70, 0x70);
const QColor kConsensus(0x2a, 0x8a, 0x3e);

QColor ColorOf(ServerVerdict verdict)
{
    switch (verdict) {
    case ServerVerdict::Agrees: return kAgrees;
    case ServerVerdict::Disagrees: return kDisagrees;
    default: return kUndecided;
    }
}

QScatterSeries* Marks(const char* objectName, const char* name, const QColor& color,
                      QScatterSeries::MarkerShape shape)
{
    auto* marks = new QScatterSeries;
    marks->setObjectName(QString::fromLatin1(objectName));
    marks->setName(QString::fromUtf8(name));
    marks->setColor(color);
    marks->setBorderColor(color.darker(130));
    marks->setMarkerShape(shape);
    marks->setMarkerSize(9);
    return marks;
}

// A category axis needs distinct labels; a host given twice gets a number.
QString UniqueLabel(const QString& host, QSet<QString>& used)
{
    QString label = host;
    for (int n = 2; used.contains(label); ++n)
        label = QStringLiteral("%1 (%2)").arg(host).arg(n);
    used.insert(label);
    return label;
}
} // namespace

SurveyChart::SurveyChart()
{
    m_offset = new QValueAxis(this);
    m_offset->setTitleText(QStringLiteral("Offset (ms): wie viel der Server dieser Uhr voraus ist"));
    m_servers = new QCategoryAxis(this);
    m_servers->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    m_servers->setGridLineVisible(false);
    addAxis(m_offset, Qt::AlignBottom);
    addAxis(m_servers, Qt::AlignLeft);
    legend()->setAlignment(Qt::AlignBottom);
}

void SurveyChart::Attach(QAbstractSeries* series)
{
    addSeries(series);
    series->attachAxis(m_offset);
    series->attachAxis(m_servers);
}

void SurveyChart::Show(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    removeAllSeries();
    for (const QString& label : m_servers->categoriesLabels())
        m_servers->remove(label);

    std::vector<std::size_t> answering;
    for (const std::size_t i : SurveyTableOrder(hosts, verdict))
        if (hosts[i].Answered())
            answering.push_back(i);
    m_rows = static_cast<int>(answering.size());

    auto* agrees = Marks("agrees", "stimmt überein", kAgrees, QScatterSeries::MarkerShapeCircle);
    auto* disagrees = Marks("disagrees", "weicht ab", kDisagrees, QScatterSeries::MarkerShapeRectangle);
    auto* undecided = Marks("undecided", "ohne Urteil", kUndecided, QScatterSeries::MarkerShapeCircle);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    QSet<QString> used;
    // Row 0 at the top: the first host gets the highest value.
    for (int row = m_rows - 1; row >= 0; --row) {
        const HostSurvey& host = hosts[answering[static_cast<std::size_t>(row)]];
        const ServerVerdict judged = verdict.Verdicts[answering[static_cast<std::size_t>(row)]];
        const double y = m_rows - 1 - row;
        const OffsetInterval interval = TrueOffsetInterval(host);
        const QString name = QString::fromStdString(EscapeControlCharacters(host.Host));
        auto* bar = new QLineSeries;
        bar->setObjectName(QStringLiteral("interval:") + QString::fromStdString(host.Host));
        bar->setPen(QPen(ColorOf(judged), 3, Qt::SolidLine, Qt::FlatCap));
        bar->append(interval.Low * 1e3, y);
        bar->append(interval.High * 1e3, y);
        Attach(bar);
        for (QLegendMarker* marker : legend()->markers(bar))
            marker->setVisible(false);
        QScatterSeries* marks = judged == ServerVerdict::Agrees ? agrees : judged == ServerVerdict::Disagrees ? disagrees : undecided;
        marks->append(host.Offset * 1e3, y);
        low = std::min(low, interval.Low * 1e3);
        high = std::max(high, interval.High * 1e3);
        m_servers->append(UniqueLabel(name, used), y + 0.5);
    }
    for (QScatterSeries* marks : {agrees, disagrees, undecided}) {
        if (marks->count() == 0) {
            delete marks;
            continue;
        }
        Attach(marks);
    }
    if (m_rows == 0)
        return;
    if (verdict.Given()) {
        auto* consensus = new QLineSeries;
        consensus->setObjectName(QStringLiteral("consensus"));
        consensus->setName(QStringLiteral("Konsens"));
        consensus->setPen(QPen(kConsensus, 1.5, Qt::DashLine));
        consensus->append(verdict.ConsensusOffset * 1e3, -0.5);
        consensus->append(verdict.ConsensusOffset * 1e3, m_rows - 0.5);
        Attach(consensus);
    }
    const double margin = high > low ? (high - low) * 0.06 : 1.0;
    m_offset->setRange(low - margin, high + margin);
    RoundAxisTicks(*m_offset);
    m_servers->setStartValue(-0.5);
    m_servers->setRange(-0.5, m_rows - 0.5);
}

} // namespace brisvander
