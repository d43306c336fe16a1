#pragma once
// Zeitserver > Alle Server prüfen...: every server of the list asked at
// once off the window's thread, with a progress bar and a cancel button;
// then a sortable table, the consensus sentence and a chart of the offsets
// with their intervals. A double-click on a row hands its host over.
// Closing the window cancels a survey under way.
#include "SurveyOutcome.h"
#include "SurveySource.h"
#include "SurveyVerdict.h"

#include <QString>
#include <QWidget>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class QChartView;
class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace brisvander {

class BackgroundJob;
class SurveyChart;
class SurveyTableModel;

class SurveyWindow : public QWidget {
public:
    // A window of its own over `parent` (may be null); asks nobody yet.
    explicit SurveyWindow(SurveySource source, QWidget* parent = nullptr);
    // A survey under way is cancelled and abandoned, not waited for.
    ~SurveyWindow() override;

    // Starts a survey unless one runs.
    void Start();
    // Ends the survey under way soon; what it has by then is shown.
    void Cancel();
    // A survey is under way; its results have not come back yet.
    bool Running() const { return m_job != nullptr; }

    // Called with the host of a row double-clicked, as given to the survey.
    void SetHostChosen(std::function<void(const QString& host)> chosen);

    // The table (sorted through a proxy of SurveyTableModel), the chart and
    // the progress bar (hosts settled of all).
    QTableView* Table() const { return m_table; }
    SurveyChart* Chart() const { return m_chart; }
    QProgressBar* Progress() const { return m_progress; }
    // The consensus sentence, or why there is none yet.
    QString SentenceText() const;
    // The line under the progress bar: how many answered, and whether the survey was cancelled.
    QString StatusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Counts {
        std::atomic<std::size_t> Settled{0};
        std::atomic<std::size_t> Total{0};
    };

    void CreateControls();
    void OnFinished(std::vector<HostSurvey> results, bool cancelled);
    void ShowProgress();
    void OnRowActivated(const QModelIndex& index);

    SurveySource m_source;
    std::vector<std::string> m_hosts;
    std::shared_ptr<Counts> m_counts;
    std::unique_ptr<BackgroundJob> m_job;
    std::function<void(const QString&)> m_hostChosen;

    QLabel* m_intro = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_again = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_sentence = nullptr;
    SurveyTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    SurveyChart* m_chart = nullptr;
    QChartView* m_chartView = nullptr;
    QTimer* m_progressTimer = nullptr;
};

} // namespace brisvander
