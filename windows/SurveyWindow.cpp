#include "SurveyWindow.h"

#include "BackgroundJob.h"
#include "SurveyChart.h"
#include "SurveyTable.h"
#include "SurveyTableModel.h"

#include <QBoxLayout>
#include <QChartView>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>

namespace brisvander {

namespace {
constexpr int kProgressPollMs = 100;
constexpr int kChartRowPixels = 22;
constexpr int kChartFramePixels = 120;
} // namespace

SurveyWindow::SurveyWindow(SurveySource source, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_hosts(HostsToSurvey(m_source))
{
    if (!m_source.Run)
        m_source.Run = RunSurvey;
    setObjectName(QStringLiteral("SurveyWindow"));
    setWindowTitle(QStringLiteral("Alle Server prüfen – Brisvander"));
    CreateControls();
    resize(900, 680);
}

SurveyWindow::~SurveyWindow() = default;

void SurveyWindow::CreateControls()
{
    m_intro = new QLabel(QStringLiteral("Fragt alle %1 Server der Liste gleichzeitig und zeigt, welche in ihrer Zeit "
                                        "übereinstimmen. Doppelklick auf eine Zeile übernimmt den Server ins "
                                        "Hauptfenster.")
                             .arg(m_hosts.size()));
    m_intro->setWordWrap(true);

    m_progress = new QProgressBar;
    m_progress->setFormat(QStringLiteral("%v von %m Servern"));
    m_progress->setRange(0, static_cast<int>(m_hosts.size()));
    m_cancel = new QPushButton(QStringLiteral("Abbrechen"));
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    m_again = new QPushButton(QStringLiteral("&Erneut prüfen"));
    m_again->setObjectName(QStringLiteral("Again"));
    connect(m_again, &QPushButton::clicked, this, [this] { Start(); });

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("Status"));
    m_sentence = new QLabel;
    m_sentence->setObjectName(QStringLiteral("Sentence"));
    m_sentence->setWordWrap(true);
    m_sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_sentence->font();
    bold.setBold(true);
    m_sentence->setFont(bold);

    m_model = new SurveyTableModel(this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(SurveyTableModel::SortRole);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("Table"));
    m_table->setModel(m_sorted);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() * 3 / 2);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The survey's own order until a column's head is clicked.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OnRowActivated(index); });

    m_chart = new SurveyChart;
    m_chartView = new QChartView(m_chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    auto* chartScroll = new QScrollArea;
    chartScroll->setWidgetResizable(true);
    chartScroll->setWidget(m_chartView);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_table);
    splitter->addWidget(chartScroll);
    // The chart needs a row per server; the table scrolls.
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({200, 300});

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_progress, 1);
    bar->addWidget(m_cancel);
    bar->addWidget(m_again);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_intro);
    layout->addLayout(bar);
    layout->addWidget(m_status);
    layout->addWidget(m_sentence);
    layout->addWidget(splitter, 1);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressPollMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { ShowProgress(); });
    m_cancel->setEnabled(false);
}

void SurveyWindow::Start()
{
    if (Running())
        return;
    m_counts = std::make_shared<Counts>();
    m_counts->Total = m_hosts.size();
    m_model->Clear();
    m_chart->Show({}, SurveyVerdict{});
    m_sentence->clear();
    m_status->setText(QStringLiteral("Die Server werden gefragt …"));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->setEnabled(true);
    m_again->setEnabled(false);
    m_progressTimer->start();

    SurveyPlan plan = m_source.Plan;
    plan.Progress = [counts = m_counts](const SurveyProgress& progress) { counts->Settled = progress.Settled; };
    m_job = std::make_unique<BackgroundJob>(
        this,
        [run = m_source.Run, hosts = m_hosts, plan](const std::atomic<bool>& cancelled) mutable {
            plan.Cancel = &cancelled;
            std::vector<HostSurvey> results = run(hosts, plan);
            return std::make_pair(std::move(results), cancelled.load());
        },
        [this](std::pair<std::vector<HostSurvey>, bool> outcome) {
            OnFinished(std::move(outcome.first), outcome.second);
        });
}

void SurveyWindow::Cancel()
{
    if (!Running())
        return;
    m_job->Cancel();
    m_cancel->setEnabled(false);
    m_status->setText(QStringLiteral("Wird abgebrochen …"));
}

void SurveyWindow::ShowProgress()
{
    if (m_counts)
        m_progress->setValue(static_cast<int>(m_counts->Settled.load()));
}

void SurveyWindow::OnFinished(std::vector<HostSurvey> results, bool cancelled)
{
    m_job.reset();
    m_progressTimer->stop();
    ShowProgress();
    m_cancel->setEnabled(false);
    m_again->setEnabled(true);

    const SurveyVerdict verdict = JudgeSurvey(results);
    m_model->SetSurvey(results, verdict);
    m_table->resizeColumnsToContents();
    m_chart->Show(results, verdict);
    m_chartView->setMinimumHeight(kChartFramePixels + kChartRowPixels * m_chart->Rows());
    m_sentence->setText(QString::fromStdString(ConsensusSentence(verdict)).trimmed());
    const QString counts = QStringLiteral("%1 von %2 Servern haben geantwortet.").arg(verdict.Answered).arg(verdict.Asked);
    m_status->setText(cancelled ? QStringLiteral("Abgebrochen nach %1 von %2 Servern. ")
                                          .arg(m_counts->Settled.load())
                                          .arg(m_hosts.size()) +
                                      counts
                                : counts);
}

void SurveyWindow::OnRowActivated(const QModelIndex& index)
{
    if (index.isValid() && m_hostChosen)
        m_hostChosen(index.data(SurveyTableModel::HostRole).toString());
}

void SurveyWindow::SetHostChosen(std::function<void(const QString&)> chosen) { m_hostChosen = std::move(chosen); }

QString SurveyWindow::SentenceText() const { return m_sentence->text(); }

QString SurveyWindow::StatusText() const { return m_status->text(); }

void SurveyWindow::closeEvent(QCloseEvent* event)
{
    Cancel();
    QWidget::closeEvent(event);
}

} // namespace brisvander
