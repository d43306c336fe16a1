// What the settings store promises whatever it finds: a store it cannot read
// is never written, a malformed one keeps what parsed, only a whole decimal
// number counts as an integer, and something that is not a file under the
// store's name is never opened.
#include "ProfileStore.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brisvander;

namespace {

// Root reads and writes any file; without these rights (per thread) it meets
// the mode bits like anyone.
class WithoutFileOverride {
public:
    WithoutFileOverride() { Set(CAP_CLEAR); }
    ~WithoutFileOverride() { Set(CAP_SET); }

private:
    static void Set(cap_flag_value_t value)
    {
        cap_t caps = cap_get_proc();
        const cap_value_t rights[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
        cap_set_flag(caps, CAP_EFFECTIVE, 2, rights, value);
        cap_set_proc(caps);
        cap_free(caps);
    }
};

class ProfileStoreTest : public testing::Test {
protected:
    ProfileStoreTest()
    {
        // Where QSettings keeps the store, and where the store looks before it opens it.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
        setenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()).constData(), 1);
        QDir().mkpath(m_home.path() + "/" + Settings::Organisation);
    }

    QString StorePath() const
    {
        return m_home.path() + "/" + Settings::Organisation + "/" + Settings::Application + ".conf";
    }

    void WriteStore(const QByteArray& content) const
    {
        QFile file(StorePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QByteArray ReadStore() const
    {
        QFile file(StorePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The value under Settings/<key>, read past the store.
    QString Stored(const char* key) const
    {
        return QSettings(StorePath(), QSettings::IniFormat)
            .value(QString(Settings::SettingsSection) + "/" + key)
            .toString();
    }

    QTemporaryDir m_home;
};

TEST_F(ProfileStoreTest, AStoreThatCannotBeReadIsNeverWritten)
{
    const QByteArray content = "[Settings]\nHost=kept.invalid\nAutostart=1\n";
    WriteStore(content);
    ASSERT_EQ(chmod(QFile::encodeName(StorePath()).constData(), S_IWUSR), 0); // writable, not readable
    {
        const WithoutFileOverride asAnyone;
        const ProfileRead read = ReadProfileValue(Settings::SettingsSection, Settings::KeyHost);
        EXPECT_EQ(read.Store, SettingsStoreStatus::Unreadable);
        EXPECT_FALSE(read.Value.isValid());
        EXPECT_EQ(GetProfileString(Settings::SettingsSection, Settings::KeyHost, "default.invalid"), "default.invalid");
        WriteProfileString(Settings::SettingsSection, Settings::KeyHost, "other.invalid");
        WriteProfileInt(Settings::SettingsSection, Settings::KeyAutostart, 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(StorePath()).constData(), S_IRUSR | S_IWUSR), 0);
    EXPECT_EQ(ReadStore(), content);
}

TEST_F(ProfileStoreTest, AMalformedStoreKeepsWhatParsedAndAWriteKeepsItToo)
{
    WriteStore("[Elsewhere]\nKeep=yes\n[Settings]\nAutostart=0\nHost=kept.invalid\nVers");
    const ProfileRead read = ReadProfileValue(Settings::SettingsSection, Settings::KeyHost);
    EXPECT_EQ(read.Store, SettingsStoreStatus::Malformed);
    EXPECT_EQ(read.StorePath, StorePath());
    EXPECT_EQ(read.Value.toString(), "kept.invalid");

    WriteProfileString(Settings::SettingsSection, Settings::KeyVersion, "1.1");
    EXPECT_EQ(Stored(Settings::KeyVersion), "1.1");
    EXPECT_EQ(Stored(Settings::KeyHost), "kept.invalid");
    EXPECT_EQ(Stored(Settings::KeyAutostart), "0");
    EXPECT_TRUE(ReadStore().contains("Keep=yes"));
}

TEST_F(ProfileStoreTest, OnlyAWholeDecimalNumberCountsAsAnInteger)
{
    WriteStore("[Settings]\nA=12\nB= 7 \nC=-3\nD=abc\nE=12abc\nF=0x10\nG=1.5\nH=\n");
    const auto integer = [](const char* key) { return GetProfileInt(Settings::SettingsSection, key, 99); };
    EXPECT_EQ(integer("A"), 12);
    EXPECT_EQ(integer("B"), 7);
    EXPECT_EQ(integer("C"), -3);
    for (const char* notANumber : {"D", "E", "F", "G", "H", "Absent"})
        EXPECT_EQ(integer(notANumber), 99) << notANumber;
}

TEST_F(ProfileStoreTest, SomethingElseUnderTheStoresNameIsNeverOpened)
{
    ASSERT_TRUE(QDir().mkpath(StorePath()));
    ProfileRead read = ReadProfileValue(Settings::SettingsSection, Settings::KeyHost);
    EXPECT_EQ(read.Store, SettingsStoreStatus::NotAFile);
    EXPECT_EQ(read.StorePath, StorePath());
    EXPECT_FALSE(read.Value.isValid());

    // Opening a pipe to read would wait for a writer for ever; the child
    // that tries ends at the alarm.
    ASSERT_TRUE(QDir().rmdir(StorePath()));
    ASSERT_EQ(mkfifo(QFile::encodeName(StorePath()).constData(), 0600), 0);
    EXPECT_EXIT(
        {
            alarm(10);
            read = ReadProfileValue(Settings::SettingsSection, Settings::KeyHost);
            std::_Exit(read.Store == SettingsStoreStatus::NotAFile && read.StorePath == StorePath() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
