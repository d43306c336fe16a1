#pragma once
// Shared pieces of the widget tests: a settings directory and a stand-in
// desktop per test, access to the view's controls, and answering modal dialogs.
#include "BrisvanderApp.h"
#include "BrisvanderView.h"
#include "DesktopFakes.h"
#include "MainFrame.h"
#include "OutputPane.h"

#include <QComboBox>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace brisvander::testsupport {

class SettingsSandbox : public testing::Test {
protected:
    SettingsSandbox();
    ~SettingsSandbox() override;

    FakeLinkDesktop m_desktop;

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

} // namespace brisvander::testsupport
