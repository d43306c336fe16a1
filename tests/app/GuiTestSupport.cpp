#include "GuiTestSupport.h"

#include "SettingsKeys.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>

namespace brisvander::testsupport {

SettingsSandbox::SettingsSandbox()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_directory.path());
}

SettingsSandbox::~SettingsSandbox()
{
    // Leave no path pointing into a removed directory.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::tempPath() + "/brisvander-gui-tests-unused");
}

QString SettingsSandbox::SettingsFilePath() const
{
    return m_directory.path() + "/" + Settings::Organisation + "/" + Settings::Application + ".conf";
}

void SettingsSandbox::WriteSettingsFile(const QByteArray& content) const
{
    QDir().mkpath(m_directory.path() + "/" + Settings::Organisation);
    QFile file(SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray SettingsSandbox::ReadSettingsFile() const
{
    QFile file(SettingsFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString SettingsSandbox::StoredValue(const char* key) const
{
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    const QVariant value = settings.value(QString(Settings::SettingsSection) + "/" + key);
    return value.isValid() ? value.toString() : QString();
}

QComboBox* ServerCombo(CBrisvanderApp& app)
{
    return app.View()->findChild<QComboBox*>(QStringLiteral("IDC_SERVER"));
}

QString OutputText(CBrisvanderApp& app)
{
    return app.View()->findChild<OutputPane*>(QStringLiteral("IDC_OUTPUT"))->text();
}

namespace {
void PollForModal(std::function<void(QWidget*)> answer, int triesLeft)
{
    QTimer::singleShot(10, [answer, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
            return;
        }
        if (triesLeft > 0)
            PollForModal(answer, triesLeft - 1);
    });
}
} // namespace

void AnswerNextModal(std::function<void(QWidget* modal)> answer)
{
    PollForModal(std::move(answer), 200);
}

} // namespace brisvander::testsupport
