#include "HelpLauncher.h"

#include "LinkOpener.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>

namespace brisvander {

namespace {

class WidgetHelpDesktop final : public HelpDesktop {
public:
    explicit WidgetHelpDesktop(QWidget* owner) : m_owner(owner) {}

    QString ProgramFilePath() override { return QCoreApplication::applicationFilePath(); }

    bool CanRead(const QString& path) override
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly);
    }

    // The manual is a text/html document: the same opener and browser
    // fall-back as a link, so it opens on a desktop without xdg-open too.
    int OpenDocument(const QString& path, const QString& workingDirectory) override
    {
        return brisvander::OpenLink(path, SystemLinkDesktop(), workingDirectory);
    }

    bool AskYesNo(const QString& question) override
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Brisvander"), question,
                        QMessageBox::Yes | QMessageBox::No, m_owner);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }

    void ShowMessage(const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Brisvander"), text, QMessageBox::Ok, m_owner);
        box.setTextFormat(Qt::PlainText); // a path is no markup
        box.exec();
    }

    int OpenLink(const QString& address) override { return brisvander::OpenLink(address); }

private:
    QPointer<QWidget> m_owner;
};

} // namespace

void OnHelpManual(QWidget* owner)
{
    WidgetHelpDesktop desktop(owner);
    OnHelpManual(desktop);
}

} // namespace brisvander
