#pragma once
// The application object: start-up in its fixed order, the settings store,
// and the commands that belong to the whole program (About, New).
#include "BrisvanderDoc.h"
#include "CommandTarget.h"
#include "Platform.h"
#include "TimeService.h"

#include <QTranslator>

#include <functional>
#include <memory>

namespace brisvander {

class CBrisvanderView;
class CMainFrame;

struct AppSeams {
    TimeService Time;
    std::function<bool()> SocketStartup; // empty: the real check
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

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CBrisvanderView* View() const { return m_view; }
    CBrisvanderDoc* Document() { return &m_document; }

private:
    void LoadQtTranslation();
    bool OpenDocumentFrameAndView();

    AppSeams m_seams;
    QTranslator m_qtTranslation;
    CBrisvanderDoc m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
    CBrisvanderView* m_view = nullptr; // owned by the frame
};

} // namespace brisvander
