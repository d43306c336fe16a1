#pragma once
// Shared pieces of the widget tests: a settings directory and a stand-in
// desktop per test, access to the view's controls, and answering modal dialogs.
#include "BrisvanderApp.h"
#include "BrisvanderView.h"
#include "LinkOpener.h"
#include "MainFrame.h"
#include "OutputPane.h"

#include <QComboBox>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

// Stands in for the desktop's opener and browser, so no test starts either.
class RecordingLinkDesktop final : public LinkDesktop {
public:
    int OpenWithDesktop(const QString& address, const QString& workingDirectory) override
    {
        opened.push_back({address, workingDirectory});
        return OpenCode::Started;
    }
    std::optional<QString> BrowserCommand() override { return std::nullopt; }
    int StartDetached(const QStringList& arguments, const QString&) override
    {
        started.push_back(arguments);
        return OpenCode::Started;
    }
    std::vector<std::pair<QString, QString>> opened; // address, working directory
    std::vector<QStringList> started;
};

class SettingsSandbox : public testing::Test {
protected:
    SettingsSandbox();
    ~SettingsSandbox() override;

    RecordingLinkDesktop m_desktop;

    QString SettingsFilePath() const;
    void WriteSettingsFile(const QByteArray& content) const;
    QByteArray ReadSettingsFile() const;
    // The value stored under Settings/<key>, or an invalid QString when absent.
    QString StoredValue(const char* key) const;

private:
    QTemporaryDir m_directory;
    ScopedLinkDesktop m_scopedDesktop{m_desktop};
};

QComboBox* ServerCombo(CBrisvanderApp& app);
QString OutputText(CBrisvanderApp& app);

// Runs `answer` on the next modal dialog once it is up (at most ~2 s later).
void AnswerNextModal(std::function<void(QWidget* modal)> answer);
