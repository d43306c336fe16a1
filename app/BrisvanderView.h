#pragma once
// The main form: server list, web address, output area, and the commands
// that work on them.
#include "CommandTarget.h"
#include "ReportText.h"
#include "TimeService.h"

#include <QString>
#include <QWidget>

class QComboBox;

namespace brisvander {

class CLinkLabel;
class OutputPane;

class CBrisvanderView : public QWidget, public CCmdTarget {
public:
    explicit CBrisvanderView(const TimeService& timeService, QWidget* parent = nullptr);
    ~CBrisvanderView() override;

    void OnInitialUpdate();
    bool OnCmdMsg(int commandId) override;

    void OnServerInfo();
    void OnServerSync();
    void OnHelpManual();
    void OnOptionsAutostart();
    void OnSelchangeServer();

    int AutostartFlag() const { return m_bAutostart; }

private:
    void CreateControls();
    void DoDataExchange(bool saveAndValidate);
    void UpdateData(bool saveAndValidate);
    void ShowHostInCombo(const QString& host);
    void RunTimeCommandInView(ReportCommand command);

    QComboBox* m_comboServer = nullptr;
    CLinkLabel* m_linkWeb = nullptr;
    OutputPane* m_output = nullptr;
    QString m_strOutput;
    QString m_strHost;
    int m_bAutostart = 0;
    TimeService m_timeService;
};

} // namespace brisvander
