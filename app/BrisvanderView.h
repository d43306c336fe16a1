#pragma once
// The main form: server list, web address, output area, and the commands
// that work on them.
#include "CommandTarget.h"
#include "ReportText.h"
#include "TimeService.h"

#include <QString>
#include <QWidget>

#include <memory>

class QComboBox;

namespace brisvander {

class BackgroundTimeCommand;
class CLinkLabel;
class OutputPane;
class WaitCursorGuard;
struct TimeCommandOutcome;

class CBrisvanderView : public QWidget, public CCmdTarget {
public:
    explicit CBrisvanderView(const TimeService& timeService, QWidget* parent = nullptr);
    ~CBrisvanderView() override;

    void OnInitialUpdate();
    bool OnCmdMsg(int commandId) override;
    // Info and Abgleichen are off while one of them runs.
    std::optional<bool> OnUpdateCmdUI(int commandId) override;
    // The NTS option's check mark.
    std::optional<bool> OnUpdateCheck(int commandId) override;

    void OnServerInfo();
    void OnServerSync();
    void OnHelpManual();
    void OnOptionsAutostart();
    // Authenticated time on or off, stored at once; the next command uses it.
    void OnOptionsNts();
    void OnSelchangeServer();
    // Puts `host` into the server field's edit text as if it had been
    // typed: the list's selection and the stored host stay as they are.
    void TypeHost(const QString& host);

    int AutostartFlag() const { return m_bAutostart; }
    bool NtsEnabled() const { return m_bNts == 1; }
    // Info or Abgleichen is under way; its report has not come back yet.
    bool IsTimeCommandRunning() const { return m_run != nullptr; }

    // The whole form; the window may be made smaller than this.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void DoDataExchange(bool saveAndValidate);
    void UpdateData(bool saveAndValidate);
    void ShowHostInCombo(const QString& host);
    void RunTimeCommandInView(ReportCommand command);
    void OnTimeCommandFinished(const TimeCommandOutcome& outcome);
    void UpdateFrameCommands();
    void LayOutOutputArea();
    void FitFrameToForm();

    QComboBox* m_comboServer = nullptr;
    CLinkLabel* m_linkWeb = nullptr;
    OutputPane* m_output = nullptr;
    QString m_strOutput;
    QString m_strHost;
    int m_bAutostart = 0;
    int m_bNts = 0; // 1: Info and Abgleichen use NTS
    TimeService m_timeService;
    std::unique_ptr<WaitCursorGuard> m_waitCursor;
    std::unique_ptr<BackgroundTimeCommand> m_run; // abandoned, not waited for, when the view goes
};

} // namespace brisvander
