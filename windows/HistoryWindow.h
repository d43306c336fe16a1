#pragma once
// Ansicht > Verlauf: the history as a plot of offset over time, with the
// span to show, the drift written on it, and the shown data saved as CSV.
// The file is read and written off the window's thread.
#include "DriftFit.h"
#include "HistorySnapshot.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace brisvander {

class BackgroundJob;
class HistoryChart;
struct CsvExportOutcome;

class HistoryWindow : public QWidget {
public:
    // A window of its own over `parent` (may be null). Reads nothing yet.
    explicit HistoryWindow(QWidget* parent = nullptr);
    // A reading or saving still under way is abandoned, not waited for.
    ~HistoryWindow() override;

    // Reads the history afresh for the span chosen ($XDG_STATE_HOME's file,
    // DefaultHistoryPath()); the plot follows once it is read.
    void Reload();
    // One new measurement, drawn at once as a live watch brings it; it is
    // not written anywhere.
    void AddMeasurement(const std::string& host, const DriftPoint& point);

    // Asks where the CSV goes (a file dialog); an empty answer saves
    // nothing. Tests put their own question in its place.
    void SetSavePathQuestion(std::function<QString(QWidget* parent)> ask);
    // Saves what the plot shows as CSV, off the window's thread.
    void SaveCsv();

    // Reading the history or saving the CSV is under way.
    bool Busy() const { return m_reading != nullptr || m_saving != nullptr; }
    // The plot and the view it is shown in (hidden while there is nothing to draw).
    HistoryChart* Chart() const { return m_chart; }
    QChartView* ChartView() const { return m_view; }
    // The line above the plot: what is shown, or why nothing is.
    QString MessageText() const;
    // What the plot shows.
    const HistorySnapshot& Snapshot() const { return m_snapshot; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void OnRead(HistorySnapshot snapshot);
    void OnSaved(const CsvExportOutcome& outcome, const QString& path);
    void Redraw();
    void ShowMessage(const QString& text);
    HistorySpan ChosenSpan() const;

    QComboBox* m_span = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_message = nullptr;
    QChartView* m_view = nullptr;
    HistoryChart* m_chart = nullptr;
    QTimer* m_redrawLater = nullptr;
    HistorySnapshot m_snapshot;
    std::string m_path;
    std::function<QString(QWidget*)> m_askSavePath;
    std::unique_ptr<BackgroundJob> m_reading;
    std::unique_ptr<BackgroundJob> m_saving;
};

} // namespace brisvander
