#pragma once
// The main form: server list, web address, output area, and the commands
// that work on them.
#include "CommandTarget.h"
#include "ReportText.h"
#include "TimeService.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <string>

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
    // Which of the three NTS items is checked.
    std::optional<bool> OnUpdateCheck(int commandId) override;

    void OnServerInfo();
    void OnServerSync();
    void OnHelpManual();
    void OnOptionsAutostart();
    // Authenticated time always, off, or where the server offers it; stored
    // at once, the next command uses it.
    void OnOptionsNts();
    void OnOptionsNtsOff();
    void OnOptionsNtsAuto();
    void OnSelchangeServer();
    // The host in the server field as typed, for a command beside Info and
    // Abgleichen (Beobachten); nothing is stored or shown.
    std::string HostForCommand();
    // How Info and Abgleichen would authenticate now.
    NtsOptions CommandNts() const;
    // Puts `host` into the server field's edit text as if it had been
    // typed: the list's selection and the stored host stay as they are.
    void TypeHost(const QString& host);

    int AutostartFlag() const { return m_bAutostart; }
    // The stored NTS setting: Settings::NtsSettingOff, ...Always or ...WhenOffered.
    int NtsSetting() const { return m_nNts; }
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
    void ChooseNts(int setting);
    void LayOutOutputArea();
    void FitFrameToForm();

    QComboBox* m_comboServer = nullptr;
    CLinkLabel* m_linkWeb = nullptr;
    OutputPane* m_output = nullptr;
    QString m_strOutput;
    QString m_strHost;
    int m_bAutostart = 0;
    int m_nNts = 0; // how Info and Abgleichen use NTS: a Settings::NtsSetting value
    TimeService m_timeService;
    std::unique_ptr<WaitCursorGuard> m_waitCursor;
    std::unique_ptr<BackgroundTimeCommand> m_run; // abandoned, not waited for, when the view goes
};

} // namespace brisvander
