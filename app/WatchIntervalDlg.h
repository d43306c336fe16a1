#pragma once
// The small dialog before Zeitserver > Beobachten starts: how many seconds
// between two requests, with the advice public servers want heeded.
#include <QDialog>

#include <chrono>
#include <optional>

class QSpinBox;

namespace brisvander {

// Public servers want this much between requests or more.
inline constexpr int WatchIntervalAdvisedSeconds = 16;
// The window asks no faster than this; the command line allows a fifth.
inline constexpr int WatchIntervalLeastSeconds = 1;
inline constexpr int WatchIntervalMostSeconds = 3600;

class WatchIntervalDlg : public QDialog {
public:
    // Offers `seconds` (clamped to the range above) to start with.
    explicit WatchIntervalDlg(int seconds, QWidget* parent = nullptr);

    // The interval chosen, in whole seconds within the range above.
    int Seconds() const;
    QSpinBox* SecondsBox() const { return m_seconds; }

private:
    QSpinBox* m_seconds = nullptr;
};

// Asks with the dialog over `parent`; none when it was cancelled.
std::optional<std::chrono::seconds> AskWatchInterval(QWidget* parent);

} // namespace brisvander
