#pragma once
// The main window: menu, dockable toolbar and status bar around the view.
// It builds its bars from the resource tables and offers every command to
// view, document, itself and the application in that order.
#include "CommandTarget.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QActionGroup;
class QLabel;
class QStatusBar;
class QToolBar;

namespace brisvander {

class CMainFrame : public QMainWindow, public CCmdTarget {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Puts the view into the client area and sets up the bars; false (0)
    // when the frame could not be built.
    int LoadFrame(QWidget* view, CCmdTarget* viewTarget, CCmdTarget* document, CCmdTarget* application);

    // Runs the command unless a route target says it may not run now.
    void OnCommand(int commandId);
    bool OnCmdMsg(int commandId) override;
    // Enables each menu item, button and accelerator as the route targets say.
    void UpdateCommandUI();
    bool CommandEnabled(int commandId);
    void OnBarCheck(int barId);
    void OnAppExit();

    QAction* CommandAction(int commandId) const { return m_actions.value(commandId); }
    QToolBar* ToolBar() const { return m_mainToolBar; }
    QStatusBar* StatusBar() const { return m_mainStatusBar; }
    void UpdateLockKeyPanes();

    // The prompt as given, before it was fitted into the message pane.
    QString CurrentPrompt() const { return m_prompt; }
    // The width the status bar writes a prompt into.
    int PromptWidth() const;

protected:
    int OnCreate();
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* MakeCommandAction(int commandId, const QString& text);
    void CreateMenu();
    bool CreateToolBar();
    bool CreateStatusBar();
    bool SetIndicators(const int* ids, int count);
    void CreateAccelerators();
    void UpdateBarChecks();
    // The first route target that answers `ask` for the command; none: nullopt.
    std::optional<bool> AskRoute(std::optional<bool> (CCmdTarget::*ask)(int), int commandId);
    void ShowPrompt(const QString& prompt);

    QStatusBar* m_mainStatusBar = nullptr;
    QToolBar* m_mainToolBar = nullptr;
    QLabel* m_messagePane = nullptr;
    QList<QLabel*> m_indicatorPanes;
    QHash<int, QAction*> m_actions;
    QActionGroup* m_ntsChoice = nullptr; // the NTS items: one checked at a time
    QList<QAction*> m_accelerators;
    QString m_prompt;
    QList<CCmdTarget*> m_routeTargets;
};

} // namespace brisvander
