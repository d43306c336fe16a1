#pragma once
// The About box: icon, name and version, notice, web and mail links, and
// the rising credits. Built afresh for every opening.
#include <QDialog>

class QPushButton;

namespace brisvander {

class CCreditsScroller;
class CLinkLabel;

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Runs the box modally; the result means nothing to the caller.
    int DoModal() { return exec(); }

    CCreditsScroller& Credits() { return *m_credits; }
    CLinkLabel& MailLink() { return *m_linkMail; }
    CLinkLabel& WebLink() { return *m_linkWeb; }
    QPushButton& OkButton() { return *m_okButton; }

private:
    void CreateControls();
    void OnInitDialog();

    CCreditsScroller* m_credits = nullptr;
    CLinkLabel* m_linkMail = nullptr;
    CLinkLabel* m_linkWeb = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace brisvander
