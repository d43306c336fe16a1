#include "HistoryWindow.h"

#include "BackgroundJob.h"
#include "HistoryChart.h"
#include "FailureText.h"
#include "HistoryCsvExport.h"
#include "HistoryStore.h"

#include <QBoxLayout>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace brisvander {

namespace {
struct SpanChoice {
    const char* Text;
    HistorySpan Span;
};
constexpr SpanChoice kSpans[] = {{"Letzte Stunde", HistorySpan::LastHour},
                                 {"Letzter Tag", HistorySpan::LastDay},
                                 {"Letzte Woche", HistorySpan::LastWeek},
                                 {"Alles", HistorySpan::All}};

std::int64_t NowMicroseconds() { return QDateTime::currentMSecsSinceEpoch() * 1000; }

QString AskCsvPath(QWidget* parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Verlauf als CSV speichern"),
                                        QDir::home().filePath(QStringLiteral("brisvander-verlauf.csv")),
                                        QStringLiteral("CSV-Dateien (*.csv)"));
}

QString CountText(std::size_t count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromUtf8(count == 1 ? one : many));
}

QString SummaryOf(const HistorySnapshot& snapshot)
{
    QString text = CountText(snapshot.MeasurementCount(), "Messung", "Messungen") + QStringLiteral(" von ") +
                   CountText(snapshot.Servers.size(), "Server", "Servern");
    if (!snapshot.Steps.empty())
        text += QStringLiteral(", Uhr %1 gestellt").arg(CountText(snapshot.Steps.size(), "Mal", "Mal"));
    return text + QStringLiteral(".");
}

std::string HistoryReadText(HistoryStatus status)
{
    return HistoryStateText(HistoryFailure({}, status).Cause);
}

QString MessageFor(const HistorySnapshot& snapshot)
{
    switch (snapshot.Content) {
    case HistoryContent::Measurements: return SummaryOf(snapshot);
    case HistoryContent::None:
        return QStringLiteral("Es gibt noch keinen Verlauf: Bisher wurde keine Messung aufgezeichnet.");
    case HistoryContent::NoneInSpan:
        return QStringLiteral("In diesem Zeitraum gibt es keine Messungen; „Alles“ zeigt die älteren.");
    case HistoryContent::Unreadable:
        return QStringLiteral("Der Verlauf kann nicht gelesen werden: %1.")
            .arg(QString::fromStdString(HistoryReadText(snapshot.Status)));
    }
    return {};
}
} // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_askSavePath(AskCsvPath)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Verlauf – Brisvander"));
    CreateControls();
    resize(860, 540);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::CreateControls()
{
    m_span = new QComboBox;
    m_span->setObjectName(QStringLiteral("Span"));
    for (const SpanChoice& choice : kSpans)
        m_span->addItem(QString::fromUtf8(choice.Text));
    m_span->setCurrentIndex(static_cast<int>(std::size(kSpans)) - 1);
    connect(m_span, &QComboBox::currentIndexChanged, this, [this] { Reload(); });
    auto* spanLabel = new QLabel(QStringLiteral("&Zeitraum:"));
    spanLabel->setBuddy(m_span);

    m_save = new QPushButton(QStringLiteral("Als &CSV speichern …"));
    m_save->setObjectName(QStringLiteral("SaveCsv"));
    m_save->setEnabled(false);
    connect(m_save, &QPushButton::clicked, this, [this] { SaveCsv(); });

    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("Message"));
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_chart = new HistoryChart;
    m_view = new QChartView(m_chart);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->hide();

    auto* bar = new QHBoxLayout;
    bar->addWidget(spanLabel);
    bar->addWidget(m_span);
    bar->addSpacing(12);
    bar->addWidget(m_message, 1);
    bar->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    // A new width needs new columns, once the resizing has settled.
    m_redrawLater = new QTimer(this);
    m_redrawLater->setSingleShot(true);
    m_redrawLater->setInterval(150);
    connect(m_redrawLater, &QTimer::timeout, this, [this] { Redraw(); });
}

HistorySpan HistoryWindow::ChosenSpan() const
{
    return kSpans[std::clamp(m_span->currentIndex(), 0, static_cast<int>(std::size(kSpans)) - 1)].Span;
}

void HistoryWindow::Reload()
{
    m_path = DefaultHistoryPath();
    ShowMessage(QStringLiteral("Der Verlauf wird gelesen …"));
    m_save->setEnabled(false);
    // A reading still under way for another span is abandoned.
    m_reading = std::make_unique<BackgroundJob>(
        this,
        [path = m_path, span = ChosenSpan(), now = NowMicroseconds()](const std::atomic<bool>&) {
            return ReadHistorySnapshot(path, span, now);
        },
        [this](HistorySnapshot snapshot) { OnRead(std::move(snapshot)); });
}

void HistoryWindow::OnRead(HistorySnapshot snapshot)
{
    m_reading.reset();
    m_snapshot = std::move(snapshot);
    ShowMessage(MessageFor(m_snapshot));
    m_save->setEnabled(m_snapshot.Content == HistoryContent::Measurements && m_saving == nullptr);
    Redraw();
}

void HistoryWindow::AddMeasurement(const std::string& host, const DriftPoint& point)
{
    m_snapshot.Append(host, point);
    ShowMessage(MessageFor(m_snapshot));
    // The first live point may end an empty history: there is something to save now.
    m_save->setEnabled(m_snapshot.Content == HistoryContent::Measurements && !Busy());
    Redraw();
}

void HistoryWindow::Redraw()
{
    const bool shown = m_snapshot.Content == HistoryContent::Measurements;
    m_view->setVisible(shown);
    if (!shown)
        return;
    // A view just shown gets its width from the layout's next pass: take it now.
    layout()->activate();
    m_chart->Show(m_snapshot, std::max(200, m_view->viewport()->width()));
}

void HistoryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_snapshot.Content == HistoryContent::Measurements)
        m_redrawLater->start();
}

void HistoryWindow::SetSavePathQuestion(std::function<QString(QWidget*)> ask) { m_askSavePath = std::move(ask); }

void HistoryWindow::SaveCsv()
{
    if (m_snapshot.Content != HistoryContent::Measurements || m_saving != nullptr)
        return;
    const QString path = m_askSavePath(this);
    if (path.isEmpty())
        return;
    m_save->setEnabled(false);
    ShowMessage(QStringLiteral("Wird gespeichert …"));
    m_saving = std::make_unique<BackgroundJob>(
        this,
        [history = m_path, since = m_snapshot.Since, until = m_snapshot.Until, path](const std::atomic<bool>&) {
            return ExportHistoryCsv(history, since, until, path);
        },
        [this, path](const CsvExportOutcome& outcome) { OnSaved(outcome, path); });
}

void HistoryWindow::OnSaved(const CsvExportOutcome& outcome, const QString& path)
{
    m_saving.reset();
    m_save->setEnabled(m_snapshot.Content == HistoryContent::Measurements);
    if (outcome.Status != HistoryStatus::Ok)
        ShowMessage(QStringLiteral("Nicht gespeichert: Der Verlauf kann nicht gelesen werden: %1.")
                        .arg(QString::fromStdString(HistoryReadText(outcome.Status))));
    else if (!outcome.Written)
        ShowMessage(QStringLiteral("Nicht gespeichert: %1 kann nicht geschrieben werden.").arg(path));
    else
        ShowMessage(QStringLiteral("%1 in %2 gespeichert.").arg(CountText(outcome.Rows, "Zeile", "Zeilen"), path));
}

void HistoryWindow::ShowMessage(const QString& text) { m_message->setText(text); }

QString HistoryWindow::MessageText() const { return m_message->text(); }

} // namespace brisvander
