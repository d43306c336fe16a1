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

#include <functional>
#include <memory>

namespace brisvander {

class CBrisvanderView;
class CMainFrame;
class HistoryWindow;
class SurveyWindow;

struct AppSeams {
    TimeService Time;
    std::function<bool()> SocketStartup; // empty: the real check
    SurveySource Survey;                 // empty: the server list on port 123
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
    void OnAppAbout();
    void OnFileNew();
    // Opens the Verlauf window, or brings it up; either way the history is
    // read afresh.
    void OnViewHistory();
    // Opens the survey window and starts a survey, or brings the window up.
    void OnServerSurvey();

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CBrisvanderView* View() const { return m_view; }
    CBrisvanderDoc* Document() { return &m_document; }
    // The two windows while they are open; null otherwise.
    HistoryWindow* HistoryWindowShown() const;
    SurveyWindow* SurveyWindowShown() const;

private:
    void LoadQtTranslation();
    bool OpenDocumentFrameAndView();

    AppSeams m_seams;
    QTranslator m_qtTranslation;
    CBrisvanderDoc m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
    CBrisvanderView* m_view = nullptr; // owned by the frame
    QPointer<HistoryWindow> m_historyWindow; // owned by the frame, gone when closed
    QPointer<SurveyWindow> m_surveyWindow;   // owned by the frame, gone when closed
};

} // namespace brisvander
