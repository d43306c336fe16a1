#include "DefaultBrowser.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace brisvander;

namespace {

TEST(IniValue, ReadsTheKeyOfItsOwnSectionOnly)
{
    const QString text = QStringLiteral("[Desktop Action new]\nExec=other --new\n"
                                        "[Desktop Entry]\nName=Web\n  Exec = browser %u \nExec=second\n");
    EXPECT_EQ(ReadIniValue(text, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")),
              QStringLiteral("browser %u"));
    EXPECT_EQ(ReadIniValue(text, QStringLiteral("Desktop Entry"), QStringLiteral("Icon")), QString());
    EXPECT_EQ(ReadIniValue(QString(), QStringLiteral("Desktop Entry"), QStringLiteral("Exec")), QString());
}

TEST(IniValue, UndoesDesktopStringEscapes)
{
    EXPECT_EQ(UnescapeDesktopString(QStringLiteral("a\\sb\\\\c\\t\\\"d\\")), QStringLiteral("a b\\c\t\\\"d\\"));
}

// Points every XDG directory into a temporary tree for one test.
class XdgTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "BROWSER"})
            saved.emplace_back(name, qgetenv(name));
        qputenv("XDG_CONFIG_HOME", root.filePath("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", root.filePath("etc").toUtf8());
        qputenv("XDG_DATA_HOME", root.filePath("data").toUtf8());
        qputenv("XDG_DATA_DIRS", root.filePath("share").toUtf8());
        qunsetenv("BROWSER");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    void Write(const QString& relative, const QByteArray& content)
    {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir root;
    std::vector<std::pair<const char*, QByteArray>> saved;
};

TEST_F(XdgTree, TheDefaultHtmlHandlerComesFirst)
{
    Write("config/mimeapps.list", "[Default Applications]\ntext/html=missing.desktop;web.desktop;\n");
    Write("share/applications/web.desktop", "[Desktop Entry]\nType=Application\nExec=/usr/bin/web\\sbrowser %u\n");
    qputenv("BROWSER", "lynx");
    EXPECT_EQ(FindDefaultBrowserCommand(), std::optional<QString>(QStringLiteral("/usr/bin/web browser %u")));
}

TEST_F(XdgTree, AnEmptyExecFallsThroughToTheCacheThenBrowser)
{
    Write("config/mimeapps.list", "[Default Applications]\ntext/html=empty.desktop\n");
    Write("share/applications/empty.desktop", "[Desktop Entry]\nExec=\n");
    Write("share/applications/mimeinfo.cache", "[MIME Cache]\ntext/html=cached.desktop;\n");
    Write("share/applications/cached.desktop", "[Desktop Entry]\nExec=cached %U\n");
    EXPECT_EQ(FindDefaultBrowserCommand(), std::optional<QString>(QStringLiteral("cached %U")));
}

TEST_F(XdgTree, BrowserVariableTakesItsFirstProgram)
{
    qputenv("BROWSER", "w3m %s:lynx");
    EXPECT_EQ(FindDefaultBrowserCommand(), std::optional<QString>(QStringLiteral("w3m %s")));
}

TEST_F(XdgTree, NoHandlerAtAll)
{
    EXPECT_EQ(FindDefaultBrowserCommand(), std::nullopt);
    Write("config/mimeapps.list", "[Default Applications]\ntext/html=../../escape.desktop\n");
    EXPECT_EQ(FindDefaultBrowserCommand(), std::nullopt);
}

} // namespace
