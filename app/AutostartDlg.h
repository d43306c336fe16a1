#pragma once
// The Autostart option dialog: one check box, OK and Abbrechen.
#include <QDialog>

class QCheckBox;

namespace brisvander {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class CAutostartDlg : public QDialog {
public:
    explicit CAutostartDlg(QWidget* parent = nullptr);
    ~CAutostartDlg() override;

    // IDOK when closed with OK, IDCANCEL otherwise.
    int DoModal();

    int m_bAutostart = 0;

protected:
    void DoDataExchange(bool saveAndValidate);
    void OnOK();
    void accept() override;

private:
    QCheckBox* m_check = nullptr;
};

} // namespace brisvander
