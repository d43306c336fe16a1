#include "LinkOpener.h"

#include "DesktopFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

const QString kAddress = QStringLiteral("https://www.quillmade.example/brisvander.html");

TEST(FallbackCommand, KeepsTheCommandWithoutPlaceholderWhole)
{
    const auto command = BuildFallbackCommand(QStringLiteral("/usr/bin/browser -new-window"), kAddress);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->commandLine, QStringLiteral("/usr/bin/browser -new-window ") + kAddress);
    EXPECT_EQ(command->arguments, (QStringList{"/usr/bin/browser", "-new-window", kAddress}));
}

TEST(FallbackCommand, DropsTheQuotedPlaceholderAndWhatFollows)
{
    const auto command = BuildFallbackCommand(QStringLiteral("browser -nohome \"%1\" -extra"), kAddress);
    ASSERT_TRUE(command);
    // The blank before the placeholder and the appended one: two blanks.
    EXPECT_EQ(command->commandLine, QStringLiteral("browser -nohome  ") + kAddress);
    EXPECT_EQ(command->arguments, (QStringList{"browser", "-nohome", kAddress}));
}

TEST(FallbackCommand, DropsTheBarePlaceholderAndWhatFollows)
{
    const auto command = BuildFallbackCommand(QStringLiteral("browser %1 -extra"), kAddress);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->commandLine, QStringLiteral("browser  ") + kAddress);
    EXPECT_EQ(command->arguments, (QStringList{"browser", kAddress}));
}

TEST(FallbackCommand, TreatsDesktopFieldCodesAsThePlaceholder)
{
    const struct {
        const char* exec;
        QStringList program;
    } cases[] = {
        {"/usr/bin/chromium %U", {"/usr/bin/chromium"}},
        {"firefox-esr %u", {"firefox-esr"}},
        {"\"/opt/my browser/run\" --flag \"%f\" --later", {"/opt/my browser/run", "--flag"}},
        {"viewer %F", {"viewer"}},
        {"lynx %s", {"lynx"}},
        {"browser %i --name=100%% %u", {"browser", "--name=100%"}},
    };
    for (const auto& c : cases) {
        const auto command = BuildFallbackCommand(QString::fromLatin1(c.exec), kAddress);
        ASSERT_TRUE(command) << c.exec;
        EXPECT_EQ(command->arguments, c.program + QStringList{kAddress}) << c.exec;
    }
}

TEST(FallbackCommand, NothingToStartGivesNoCommand)
{
    EXPECT_FALSE(BuildFallbackCommand(QString(), kAddress));
    EXPECT_FALSE(BuildFallbackCommand(QStringLiteral("   "), kAddress));
    EXPECT_FALSE(BuildFallbackCommand(QStringLiteral("\"%1\" -x"), kAddress));
    EXPECT_FALSE(BuildFallbackCommand(QStringLiteral("%u"), kAddress));
}

TEST(FallbackCommand, AHostileAddressStaysOneArgument)
{
    const QString hostile[] = {
        QStringLiteral("http://x/a b\"c\" 'd'; rm -rf ~ && $(touch /tmp/pwned) `id` | cat > /tmp/x"),
        QStringLiteral("http://x/\"\"\" %u %1 \\\" ; & "),
        QStringLiteral("http://x/") + QString(10000, QLatin1Char('a')),
    };
    for (const QString& address : hostile) {
        const auto command = BuildFallbackCommand(QStringLiteral("browser --new-tab %u"), address);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->arguments, (QStringList{"browser", "--new-tab", address}));
    }
}

TEST(OpenableAddress, RefusesWhatABrowserWouldMistake)
{
    EXPECT_TRUE(IsOpenableAddress(kAddress));
    EXPECT_TRUE(IsOpenableAddress(QStringLiteral("mailto:brisvander@quillmade.example")));
    EXPECT_FALSE(IsOpenableAddress(QString()));
    EXPECT_FALSE(IsOpenableAddress(QStringLiteral("--renderer-cmd-prefix=xterm")));
    EXPECT_FALSE(IsOpenableAddress(QStringLiteral("http://x/\nsecond")));
    EXPECT_FALSE(IsOpenableAddress(QStringLiteral("http://x/\x7f")));
}

// A desktop whose own opener is missing, so the browser's turn comes.
FakeLinkDesktop NoOpener()
{
    FakeLinkDesktop desktop;
    desktop.openResult = OpenCode::NoAssociation;
    return desktop;
}

TEST(OpenLink, AWorkingOpenerIsAllThatRuns)
{
    FakeLinkDesktop desktop = NoOpener();
    desktop.openResult = 42;
    desktop.browser = QStringLiteral("browser %u");
    EXPECT_EQ(OpenLink(kAddress, desktop), 42);
    EXPECT_EQ(desktop.calls, QStringList{QStringLiteral("open ") + kAddress});
}

TEST(OpenLink, FallsBackToTheBrowserOnlyWhenTheOpenerFails)
{
    FakeLinkDesktop desktop = NoOpener();
    desktop.browser = QStringLiteral("browser \"%u\"");
    EXPECT_EQ(OpenLink(kAddress, desktop), OpenCode::Started);
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("open ") + kAddress, "browser", "start"}));
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0], (QStringList{"browser", kAddress}));

    desktop.startResult = OpenCode::FileNotFound;
    EXPECT_EQ(OpenLink(kAddress, desktop), OpenCode::FileNotFound);
}

TEST(OpenLink, AFallBackThatCannotBePreparedReturnsTheOpenersCode)
{
    FakeLinkDesktop desktop = NoOpener();
    desktop.openResult = 27;
    EXPECT_EQ(OpenLink(kAddress, desktop), 27);
    desktop.browser = QStringLiteral("  ");
    EXPECT_EQ(OpenLink(kAddress, desktop), 27);
    EXPECT_FALSE(desktop.calls.contains("start"));
}

TEST(OpenLink, AWwwHostIsOpenedAsAWebAddress)
{
    FakeLinkDesktop desktop = NoOpener();
    desktop.browser = QStringLiteral("browser %u");
    OpenLink(QStringLiteral("www.quillmade.example"), desktop);
    EXPECT_EQ(desktop.calls.first(), QStringLiteral("open http://www.quillmade.example"));
    ASSERT_FALSE(desktop.started.empty());
    EXPECT_EQ(desktop.started.back().last(), QStringLiteral("http://www.quillmade.example"));
}

TEST(OpenLink, RefusedAddressesReachNoProgram)
{
    FakeLinkDesktop desktop = NoOpener();
    desktop.openResult = 42;
    EXPECT_EQ(OpenLink(QString(), desktop), OpenCode::FileNotFound);
    EXPECT_EQ(OpenLink(QStringLiteral("-x"), desktop), OpenCode::FileNotFound);
    EXPECT_TRUE(desktop.calls.isEmpty());
}

TEST(OpenLink, AScopedDesktopStandsInForTheRealOneWhileItLives)
{
    FakeLinkDesktop outer = NoOpener();
    outer.openResult = 42;
    {
        ScopedLinkDesktop replaced(outer);
        FakeLinkDesktop inner = NoOpener();
        inner.openResult = 43;
        {
            ScopedLinkDesktop nested(inner);
            EXPECT_EQ(OpenLink(kAddress), 43);
        }
        EXPECT_EQ(OpenLink(kAddress), 42);
        EXPECT_EQ(inner.calls.size(), 1);
    }
    EXPECT_NE(&SystemLinkDesktop(), &outer);
    EXPECT_EQ(outer.calls.size(), 1);
}

// The real starter with a stand-in browser that writes down what it got.
class RecordingBrowser : public LinkDesktop {
public:
    explicit RecordingBrowser(QString command) : m_command(std::move(command)) {}
    int OpenWithDesktop(const QString&, const QString&) override { return OpenCode::NoAssociation; }
    std::optional<QString> BrowserCommand() override { return m_command; }
    int StartDetached(const QStringList& arguments, const QString& dir) override
    {
        return SystemLinkDesktop().StartDetached(arguments, dir);
    }

private:
    QString m_command;
};

TEST(OpenLink, TheBrowserGetsTheAddressVerbatimAndNoShellRuns)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath(QStringLiteral("browser.sh"));
    const QString output = dir.filePath(QStringLiteral("got.txt"));
    const QString marker = dir.filePath(QStringLiteral("marker"));
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nprintf '%s|' \"$@\" > \"%1.tmp\" && mv \"%1.tmp\" \"%1\"\n")
                       .arg(output)
                       .toUtf8());
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString address = QStringLiteral("http://x/a b;touch %1;$(touch %1)`touch %1`").arg(marker);
    RecordingBrowser desktop(QStringLiteral("\"%1\" --new-tab %u").arg(script));
    EXPECT_EQ(OpenLink(address, desktop), OpenCode::Started);

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(output) && waited.elapsed() < 10000)
        QThread::msleep(20);
    QFile got(output);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(got.readAll()), QStringLiteral("--new-tab|") + address + QLatin1Char('|'));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(OpenLink, TheDesktopOpenerGetsExactlyTheAddress)
{
    FakeXdgOpen opener;
    const QString address = QStringLiteral("mailto:someone@quillmade.example?subject=a b;$(id)");
    EXPECT_EQ(OpenLink(address), OpenCode::Started);
    const QList<QStringList> calls = opener.WaitForCalls(1);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].mid(1), QStringList{address});
}

TEST(OpenLink, AMissingBrowserProgramGivesFileNotFound)
{
    RecordingBrowser desktop(QStringLiteral("/nonexistent/browser %u"));
    EXPECT_EQ(OpenLink(kAddress, desktop), OpenCode::FileNotFound);
    RecordingBrowser unknown(QStringLiteral("no-such-browser-program %u"));
    EXPECT_EQ(OpenLink(kAddress, unknown), OpenCode::FileNotFound);
}

} // namespace
