#include "DesktopFakes.h"
#include "HelpLauncher.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

class FakeHelpDesktop : public HelpDesktop {
public:
    QString programPath = QStringLiteral("/opt/brisvander/bin/brisvander");
    QSet<QString> readable;
    bool answerYes = false;
    int openResult = OpenCode::Started;

    QString openedPath;
    QString openedIn;
    QStringList questions;
    QStringList messages;
    QStringList links;

    QString ProgramFilePath() override { return programPath; }
    bool CanRead(const QString& path) override { return readable.contains(path); }
    int OpenDocument(const QString& path, const QString& workingDirectory) override
    {
        openedPath = path;
        openedIn = workingDirectory;
        return openResult;
    }
    void ShowMessage(const QString& text) override { messages << text; }
    bool AskYesNo(const QString& question) override
    {
        questions << question;
        return answerYes;
    }
    int OpenLink(const QString& address) override
    {
        links << address;
        return 2;
    }
};

TEST(HelpManual, OpensThePageBesideTheProgramInItsDirectory)
{
    FakeHelpDesktop desktop;
    desktop.readable = {QStringLiteral("/opt/brisvander/bin/brisvander.html"),
                        QStringLiteral("/opt/brisvander/share/brisvander/brisvander.html")};
    OnHelpManual(desktop);
    EXPECT_EQ(desktop.openedPath, QStringLiteral("/opt/brisvander/bin/brisvander.html"));
    EXPECT_EQ(desktop.openedIn, QStringLiteral("/opt/brisvander/bin"));
    EXPECT_TRUE(desktop.questions.isEmpty());
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_TRUE(desktop.links.isEmpty());
}

TEST(HelpManual, APageNoProgramCanOpenIsReportedWithItsPath)
{
    for (const int failure : {OpenCode::NoAssociation, OpenCode::FileNotFound, OpenCode::OutOfResources}) {
        FakeHelpDesktop desktop;
        desktop.readable = {QStringLiteral("/opt/brisvander/share/brisvander/brisvander.html")};
        desktop.openResult = failure;
        OnHelpManual(desktop);
        ASSERT_EQ(desktop.messages.size(), 1) << failure;
        EXPECT_TRUE(desktop.messages[0].startsWith(QStringLiteral("Die Anleitung kann nicht angezeigt werden")));
        EXPECT_TRUE(desktop.messages[0].endsWith(QStringLiteral("\n/opt/brisvander/share/brisvander/brisvander.html")))
            << desktop.messages[0].toStdString();
        EXPECT_TRUE(desktop.questions.isEmpty()) << "the page is there; only no program for it";
        EXPECT_TRUE(desktop.links.isEmpty());
    }
}

TEST(HelpManual, FindsTheInstalledPageNextToBin)
{
    FakeHelpDesktop desktop;
    desktop.readable = {QStringLiteral("/opt/brisvander/share/brisvander/brisvander.html")};
    OnHelpManual(desktop);
    EXPECT_EQ(desktop.openedPath, QStringLiteral("/opt/brisvander/share/brisvander/brisvander.html"));
    EXPECT_EQ(desktop.openedIn, QStringLiteral("/opt/brisvander/bin"));
}

TEST(HelpManual, AMissingPageAsksWithItsFullPathAndNoDoesNothing)
{
    FakeHelpDesktop desktop;
    OnHelpManual(desktop);
    ASSERT_EQ(desktop.questions.size(), 1);
    EXPECT_EQ(desktop.questions[0],
              QStringLiteral("Kann die Brisvander.CHM Datei nicht finden, sie muß sein in: "
                             "\"/opt/brisvander/bin/brisvander.html\"\n\nWillst Du im Internet danach suchen?"));
    EXPECT_TRUE(desktop.openedPath.isEmpty());
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_TRUE(desktop.links.isEmpty());
}

TEST(HelpManual, YesOpensTheWebPage)
{
    FakeHelpDesktop desktop;
    desktop.answerYes = true;
    OnHelpManual(desktop);
    EXPECT_EQ(desktop.links, QStringList{QString::fromLatin1(ManualWebAddress)});
    EXPECT_TRUE(QString::fromLatin1(ManualWebAddress).endsWith(QLatin1String(ManualFileName)));
}

TEST(HelpManual, AProgramPathWithoutSlashGivesAnEmptyDirectory)
{
    EXPECT_EQ(ProgramDirectoryOf(QStringLiteral("brisvander")), QString());
    EXPECT_EQ(ProgramDirectoryOf(QStringLiteral("/brisvander")), QString());
    FakeHelpDesktop desktop;
    desktop.programPath = QStringLiteral("brisvander");
    OnHelpManual(desktop);
    ASSERT_EQ(desktop.questions.size(), 1);
    EXPECT_TRUE(desktop.questions[0].contains(QStringLiteral("\"/brisvander.html\"")));
}

} // namespace

// The build copies the manual beside the programs, this test program too.
TEST(HelpManual, OpensTheManualBesideTheProgramFromItsDirectory)
{
    const QString directory = QCoreApplication::applicationDirPath();
    const QString manual = directory + QStringLiteral("/brisvander.html");
    ASSERT_TRUE(QFileInfo(manual).isReadable()) << "the build puts the manual at " << manual.toStdString();
    FakeXdgOpen opener;
    OnHelpManual(static_cast<QWidget*>(nullptr));
    const QList<QStringList> calls = opener.WaitForCalls(1);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0], (QStringList{QFileInfo(directory).canonicalFilePath(), manual}));
}

// A desktop with no xdg-open, no $BROWSER and no text/html handler: the
// user reads why nothing opens, and where the manual is.
TEST(HelpManual, WithoutAnyOpenerAMessageBoxNamesTheManual)
{
    const QString manual = QCoreApplication::applicationDirPath() + QStringLiteral("/brisvander.html");
    ASSERT_TRUE(QFileInfo(manual).isReadable());
    QTemporaryDir bare;
    ASSERT_TRUE(bare.isValid());
    const QByteArray saved[] = {qgetenv("PATH"), qgetenv("BROWSER"), qgetenv("XDG_DATA_HOME"), qgetenv("XDG_DATA_DIRS")};
    qputenv("PATH", bare.path().toUtf8());
    qunsetenv("BROWSER");
    qputenv("XDG_DATA_HOME", bare.path().toUtf8());
    qputenv("XDG_DATA_DIRS", bare.path().toUtf8());

    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::function<void(int)> answer = [&](int triesLeft) {
        QTimer::singleShot(10, [&, triesLeft] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                icon = box->icon();
                box->accept();
            } else if (triesLeft > 0) {
                answer(triesLeft - 1);
            }
        });
    };
    answer(300);
    OnHelpManual(static_cast<QWidget*>(nullptr));

    qputenv("PATH", saved[0]);
    if (!saved[1].isNull())
        qputenv("BROWSER", saved[1]);
    saved[2].isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved[2]);
    saved[3].isNull() ? qunsetenv("XDG_DATA_DIRS") : qputenv("XDG_DATA_DIRS", saved[3]);

    EXPECT_EQ(shown, ManualNotOpenedMessage(manual));
    EXPECT_TRUE(shown.contains(manual));
    EXPECT_EQ(icon, QMessageBox::Warning);
}
