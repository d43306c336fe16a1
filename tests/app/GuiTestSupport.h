#pragma once
// Shared pieces of the widget tests: a settings directory per test, access
// to the view's controls, and answering modal dialogs.
#include "BrisvanderApp.h"
#include "BrisvanderView.h"
#include "MainFrame.h"
#include "OutputPane.h"

#include <QComboBox>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

class SettingsSandbox : public testing::Test {
protected:
    SettingsSandbox();
    ~SettingsSandbox() override;

    QString SettingsFilePath() const;
    void WriteSettingsFile(const QByteArray& content) const;
    QByteArray ReadSettingsFile() const;
    // The value stored under Settings/<key>, or an invalid QString when absent.
    QString StoredValue(const char* key) const;

private:
    QTemporaryDir m_directory;
};

QComboBox* ServerCombo(CBrisvanderApp& app);
QString OutputText(CBrisvanderApp& app);

// Runs `answer` on the next modal dialog once it is up (at most ~2 s later).
void AnswerNextModal(std::function<void(QWidget* modal)> answer);
