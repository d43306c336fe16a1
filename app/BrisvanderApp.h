#pragma once
// The application object: start-up in its fixed order, the settings store,
// and the commands that belong to the whole program (About, New).
#include "BrisvanderDoc.h"
#include "CommandTarget.h"
#include "Platform.h"
#include "SurveySource.h"
#include "TimeService.h"

#include <QPointer>
#include <QTranslator>

class QLabel;

#include <chrono>
#include <functional>
#include <optional>
#include <memory>

namespace brisvander {

class BackgroundWatch;
class CBrisvanderView;
class CMainFrame;
class HistoryWindow;
struct WatchMeasurement;
class SurveyWindow;

struct AppSeams {
    TimeService Time;
    std::function<bool()> SocketStartup; // empty: the real check
    SurveySource Survey;                 // empty: the server list on port 123
    // Beobachten's interval; none: not started. Empty: the dialog asks.
    std::function<std::optional<std::chrono::seconds>(QWidget* parent)> AskWatchInterval;
};

class CBrisvanderApp : public CCmdTarget {
public:
    explicit CBrisvanderApp(AppSeams seams = {});
    ~CBrisvanderApp() override;
    CBrisvanderApp(const CBrisvanderApp&) = delete;
    CBrisvanderApp& operator=(const CBrisvanderApp&) = delete;

    // true to run the message loop, false to end the program at once.
    BOOL InitInstance();

    bool OnCmdMsg(int commandId) override;
    // New re-runs the start-up, with Autostart a synchronisation: not while
    // a command runs.
    std::optional<bool> OnUpdateCmdUI(int commandId) override;
    // Beobachten's check mark: on while a watch runs.
    std::optional<bool> OnUpdateCheck(int commandId) override;
    void OnAppAbout();
    void OnFileNew();
    // Opens the Verlauf window, or brings it up; either way the history is
    // read afresh.
    void OnViewHistory();
    // Opens the survey window and starts a survey, or brings the window up.
    void OnServerSurvey();
    // Starts watching the server in the field, at an interval the user
    // chooses; while a watch runs, stops it.
    void OnServerWatch();
    // A watch is running (it may be finishing its last exchange).
    bool IsWatching() const;
    // The status bar's figure of the watch's last exchange; null before the first watch.
    QLabel* WatchFigure() const { return m_watchFigure; }

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CBrisvanderView* View() const { return m_view; }
    CBrisvanderDoc* Document() { return &m_document; }
    // The two windows while they are open; null otherwise.
    HistoryWindow* HistoryWindowShown() const;
    SurveyWindow* SurveyWindowShown() const;

private:
    void LoadQtTranslation();
    void ShowWatchMeasurement(const WatchMeasurement& measurement);
    bool OpenDocumentFrameAndView();

    AppSeams m_seams;
    QTranslator m_qtTranslation;
    CBrisvanderDoc m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
    CBrisvanderView* m_view = nullptr; // owned by the frame
    QPointer<HistoryWindow> m_historyWindow; // owned by the frame, gone when closed
    QPointer<SurveyWindow> m_surveyWindow;   // owned by the frame, gone when closed
    QLabel* m_watchFigure = nullptr;         // owned by the status bar
    std::unique_ptr<BackgroundWatch> m_watch; // after the frame: stopped before it goes
};

} // namespace brisvander
