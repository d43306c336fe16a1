#include "DesktopFakes.h"
#include "HelpLauncher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

class FakeHelpDesktop : public HelpDesktop {
public:
    QString programPath = QStringLiteral("/opt/brisvander/bin/brisvander");
    QSet<QString> readable;
    bool answerYes = false;

    QString openedPath;
    QString openedIn;
    QStringList questions;
    QStringList links;

    QString ProgramFilePath() override { return programPath; }
    bool CanRead(const QString& path) override { return readable.contains(path); }
    void OpenDocument(const QString& path, const QString& workingDirectory) override
    {
        openedPath = path;
        openedIn = workingDirectory;
    }
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
    EXPECT_TRUE(desktop.links.isEmpty());
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
