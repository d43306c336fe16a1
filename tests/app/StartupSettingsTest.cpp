// Start-up and the settings store: what is written when, what is shown, and
// that damaged settings never stop the program or cost other settings.
#include "AutostartDlg.h"
#include "CommandIds.h"
#include "DefaultServer.h"
#include "GuiTestSupport.h"
#include "IntroText.h"
#include "SettingsKeys.h"

#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
// Fails any test that would set the clock; these tests never query.
class ForbiddenClock final : public ClockControl {
public:
    Expected<ClockRightRaise> RaiseClockRight() override
    {
        ADD_FAILURE() << "the clock right was asked for";
        return FailureOf(FailureKind::ClockRightRefused);
    }
    std::optional<Failure> StepClock(const ClockStep&) override { return Fail(FailureKind::ClockRefused); }
    std::optional<Failure> LowerClockRight() override { return Fail(FailureKind::ClockRightNotGivenUp); }
    std::optional<Failure> DropClockRightForGood() override { return Fail(FailureKind::ClockRightNotGivenUp); }

private:
    static Failure Fail(FailureKind kind)
    {
        ADD_FAILURE() << "the clock was touched";
        return FailureOf(kind);
    }
};

class StartupTest : public SettingsSandbox {
protected:
    AppSeams Seams()
    {
        AppSeams seams;
        seams.Time.Clock = &m_clock;
        seams.Time.Port = 9; // never reached: nothing here queries
        return seams;
    }

private:
    ForbiddenClock m_clock;
};

const QString DefaultHost = QString::fromUtf8(DefaultServerHost);
} // namespace

TEST_F(StartupTest, FirstStartWritesVersionAndShowsTheDefaultHostWithAutostartOff)
{
    {
        CBrisvanderApp app(Seams());
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(StoredValue(Settings::KeyVersion), "1.1");
        EXPECT_TRUE(StoredValue(Settings::KeyHost).isNull()) << "the host is stored only later";
        EXPECT_EQ(ServerCombo(app)->currentText(), DefaultHost);
        EXPECT_EQ(ServerCombo(app)->itemText(ServerCombo(app)->currentIndex()), DefaultHost);
        EXPECT_EQ(OutputText(app), QString::fromStdString(IntroText()));
        EXPECT_EQ(app.View()->AutostartFlag(), 0);
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_EQ(app.MainFrame()->windowTitle(), "Brisvander");
    }
    EXPECT_EQ(StoredValue(Settings::KeyHost), DefaultHost) << "the view stores the host at the end";
}

TEST_F(StartupTest, VersionIsRewrittenAtEveryStartAndOtherKeysStay)
{
    WriteSettingsFile("[Settings]\nVersion=0.9\nHost=other.invalid\nAutostart=0\n[Elsewhere]\nKeep=yes\n");
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(StoredValue(Settings::KeyVersion), "1.1");
    EXPECT_EQ(StoredValue(Settings::KeyHost), "other.invalid");
    EXPECT_TRUE(ReadSettingsFile().contains("Keep=yes"));
}

TEST_F(StartupTest, AStoredHostNotInTheListIsShownAsStored)
{
    WriteSettingsFile("[Settings]\nHost=my-own-server.invalid\n");
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(ServerCombo(app)->currentText(), "my-own-server.invalid");
    EXPECT_EQ(ServerCombo(app)->currentIndex(), -1) << "no list entry is selected";
}

TEST_F(StartupTest, AListSelectionIsStoredAtOnce)
{
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    QComboBox* combo = ServerCombo(app);
    const int index = combo->findText("ntp.metas.ch");
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    EXPECT_EQ(StoredValue(Settings::KeyHost), "ntp.metas.ch");
    EXPECT_EQ(OutputText(app), QString::fromStdString(IntroText())) << "selecting leaves the output alone";
}

TEST_F(StartupTest, ATypedHostThatNoCommandUsedIsNotStored)
{
    WriteSettingsFile("[Settings]\nHost=ntp.metas.ch\n");
    {
        CBrisvanderApp app(Seams());
        ASSERT_TRUE(app.InitInstance());
        ServerCombo(app)->setEditText("typed-only.invalid");
    }
    EXPECT_EQ(StoredValue(Settings::KeyHost), "ntp.metas.ch");
}

TEST_F(StartupTest, SocketStartupFailureShowsItsMessageWritesNothingAndEnds)
{
    AppSeams seams = Seams();
    seams.SocketStartup = [] { return false; };
    CBrisvanderApp app(seams);
    QString shown;
    AnswerNextModal([&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(shown, "Fehler beim Initialisieren der Windows-Sockets.");
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_TRUE(ReadSettingsFile().isEmpty());
}

TEST_F(StartupTest, StandardButtonsReadGerman)
{
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Ja");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Nein");
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove('&'), "OK");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Abbrechen");
}

// Damaged settings: the program starts with the defaults where it must and
// keeps every value it could read.
TEST_F(StartupTest, AnUnreadableSettingsFileGivesTheDefaults)
{
    ASSERT_TRUE(QDir().mkpath(SettingsFilePath())); // a directory where the file should be
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(ServerCombo(app)->currentText(), DefaultHost);
    EXPECT_EQ(app.View()->AutostartFlag(), 0);
}

// What the store keeps of such a file when written is its own test's
// (tests/settings); here, what the window makes of it.
TEST_F(StartupTest, ATruncatedSettingsFileKeepsWhatItHolds)
{
    WriteSettingsFile("[Elsewhere]\nKeep=yes\n[Settings]\nAutostart=0\nHost=kept.invalid\nVers");
    {
        CBrisvanderApp app(Seams());
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(ServerCombo(app)->currentText(), "kept.invalid");
    }
    EXPECT_EQ(StoredValue(Settings::KeyHost), "kept.invalid");
}

TEST_F(StartupTest, AutostartThatIsNoNumberCountsAsOffAndOkReplacesIt)
{
    WriteSettingsFile("[Settings]\nAutostart=abc\nHost=kept.invalid\n");
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.View()->AutostartFlag(), 0);
    EXPECT_EQ(OutputText(app), QString::fromStdString(IntroText()));

    bool wasChecked = true;
    AnswerNextModal([&wasChecked](QWidget* modal) {
        wasChecked = modal->findChild<QCheckBox*>("IDC_AUTOSTART_CHECK")->isChecked();
        modal->findChild<QPushButton*>("IDOK")->click();
    });
    app.MainFrame()->OnCommand(ID_OPTIONS_AUTOSTART);
    EXPECT_FALSE(wasChecked);
    EXPECT_EQ(StoredValue(Settings::KeyAutostart), "0");
    EXPECT_EQ(StoredValue(Settings::KeyHost), "kept.invalid");
}

TEST_F(StartupTest, AutostartDialogWritesOnlyOnOk)
{
    WriteSettingsFile("[Settings]\nAutostart=0\n");
    CBrisvanderApp app(Seams());
    ASSERT_TRUE(app.InitInstance());
    // Changed by other means while the program runs: the dialog starts from the stored value.
    WriteSettingsFile("[Settings]\nAutostart=1\nVersion=1.1\n");
    const QByteArray before = ReadSettingsFile();

    AnswerNextModal([](QWidget* modal) {
        modal->findChild<QCheckBox*>("IDC_AUTOSTART_CHECK")->setChecked(true);
        modal->findChild<QPushButton*>("IDCANCEL")->click();
    });
    app.MainFrame()->OnCommand(ID_OPTIONS_AUTOSTART);
    EXPECT_EQ(ReadSettingsFile(), before) << "cancel writes nothing";
    EXPECT_EQ(app.View()->AutostartFlag(), 1);

    AnswerNextModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), "Autostart");
        const QCheckBox* check = modal->findChild<QCheckBox*>("IDC_AUTOSTART_CHECK");
        EXPECT_EQ(check->text(), "Zeit wird beim nächsten Programmstart automatisch syncronisiert ");
        EXPECT_GE(check->width(), check->sizeHint().width()) << "the label is cut";
        EXPECT_LE(check->geometry().right(), modal->width());
        EXPECT_TRUE(modal->findChild<QCheckBox*>("IDC_AUTOSTART_CHECK")->isChecked());
        modal->findChild<QCheckBox*>("IDC_AUTOSTART_CHECK")->setChecked(false);
        modal->findChild<QPushButton*>("IDOK")->click();
    });
    app.MainFrame()->OnCommand(ID_OPTIONS_AUTOSTART);
    EXPECT_EQ(StoredValue(Settings::KeyAutostart), "0");
    EXPECT_EQ(app.View()->AutostartFlag(), 0);
}
