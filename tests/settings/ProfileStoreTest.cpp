// The settings store on its own: what it reads back, what it makes of a
// damaged or strange store, that it never opens what is not a file nor
// overwrites what it could not read, and the host both programs start from.
#include "ProfileStore.h"
#include "SettingsKeys.h"
#include "StoredHost.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brisvander;

namespace {

// A store of the test's own, where the programs would look for it
// (XDG_CONFIG_HOME) and where QSettings does.
class ProfileStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        ASSERT_TRUE(QDir().mkpath(m_config.path() + "/Quillmade"));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_savedConfigHome); }

    QString StorePath() const { return m_config.path() + "/Quillmade/Brisvander.conf"; }
    void WriteStore(const QByteArray& bytes) const
    {
        QFile file(StorePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static ProfileRead ReadHost() { return ReadProfileValue(Settings::SettingsSection, Settings::KeyHost); }

    QTemporaryDir m_config;
    QByteArray m_savedConfigHome;
};

TEST_F(ProfileStore, ReadsBackWhatWasWrittenAndTheDefaultsForWhatWasNot)
{
    EXPECT_EQ(ReadHost().Store, SettingsStoreStatus::Absent);
    EXPECT_EQ(GetProfileString("Settings", "Host", "fallback"), "fallback");
    WriteProfileString("Settings", "Host", "zeit.example");
    WriteProfileInt("Settings", "Autostart", 1);
    const ProfileRead read = ReadHost();
    EXPECT_EQ(read.Store, SettingsStoreStatus::Read);
    EXPECT_EQ(read.StorePath, StorePath());
    EXPECT_EQ(read.Value.toString(), "zeit.example");
    EXPECT_EQ(GetProfileInt("Settings", "Autostart", 0), 1);
    EXPECT_EQ(GetProfileInt("Settings", "NTS", 7), 7);
    EXPECT_EQ(GetProfileString("Other", "Host", "fallback"), "fallback");
}

TEST(ProfileIntFromValue, OnlyAWholeDecimalNumberCounts)
{
    EXPECT_EQ(ProfileIntFromValue(QVariant("1"), 5), 1);
    EXPECT_EQ(ProfileIntFromValue(QVariant(" -1 "), 5), -1);
    EXPECT_EQ(ProfileIntFromValue(QVariant("010"), 5), 10); // not octal
    EXPECT_EQ(ProfileIntFromValue(QVariant(3), 5), 3);
    for (const char* notANumber : {"", "abc", "1.0", "0x1", "1 2", "99999999999"})
        EXPECT_EQ(ProfileIntFromValue(QVariant(notANumber), 5), 5) << notANumber;
    EXPECT_EQ(ProfileIntFromValue(QVariant(), 5), 5);
}

// Reading a pipe would block for ever; a folder is no file to rewrite.
TEST_F(ProfileStore, WhatIsNotAFileIsNeitherOpenedNorReplaced)
{
    ASSERT_TRUE(QDir().mkpath(StorePath()));
    EXPECT_EQ(ReadHost().Store, SettingsStoreStatus::NotAFile);
    WriteProfileString("Settings", "Host", "zeit.example");
    EXPECT_TRUE(QFileInfo(StorePath()).isDir());

    ASSERT_TRUE(QDir(StorePath()).removeRecursively());
    const QByteArray pipe = QFile::encodeName(StorePath());
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    auto read = std::async(std::launch::async, &ProfileStore::ReadHost);
    const bool returned = read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!returned)
        close(open(pipe.constData(), O_WRONLY | O_NONBLOCK)); // lets the blocked reader go
    ASSERT_TRUE(returned) << "the store was opened as a pipe";
    EXPECT_EQ(read.get().Store, SettingsStoreStatus::NotAFile);
}

TEST_F(ProfileStore, AStoreThatIsNoSettingsFileIsSaidSo)
{
    const char garbage[] = "\x00\x01 this is not\nan ini file at all\xff\n";
    WriteStore(QByteArray(garbage, sizeof garbage - 1));
    EXPECT_EQ(ReadHost().Store, SettingsStoreStatus::Malformed);
}

// What parses in a damaged store is still used, and kept when another key is written.
TEST_F(ProfileStore, ATruncatedStoreKeepsWhatItHolds)
{
    WriteStore("[Elsewhere]\nKeep=yes\n[Settings]\nHost=kept.example\nVers");
    const ProfileRead read = ReadHost();
    EXPECT_EQ(read.Value.toString(), "kept.example");
    WriteProfileInt("Settings", "Autostart", 0);
    EXPECT_EQ(GetProfileString("Elsewhere", "Keep", ""), "yes");
    EXPECT_EQ(GetProfileString("Settings", "Host", ""), "kept.example");
}

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

// Written, it would come back holding only the key written.
TEST_F(ProfileStore, AStoreThatCannotBeReadIsNeverWritten)
{
    const QByteArray content = "[Settings]\nHost=kept.example\nAutostart=1\n";
    WriteStore(content);
    const QByteArray path = QFile::encodeName(StorePath());
    ASSERT_EQ(chmod(path.constData(), S_IWUSR), 0); // writable, not readable
    {
        const WithoutFileOverride asAnyone;
        const ProfileRead read = ReadHost();
        EXPECT_EQ(read.Store, SettingsStoreStatus::Unreadable);
        EXPECT_FALSE(read.Value.isValid());
        WriteProfileString("Settings", "Host", "other.example");
        WriteProfileInt("Settings", "Autostart", 0);
    }
    ASSERT_EQ(chmod(path.constData(), S_IRUSR | S_IWUSR), 0);
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

TEST_F(ProfileStore, TheStoredHostElseTheDefaultServer)
{
    StoredHost stored = LookUpStoredHost();
    EXPECT_FALSE(stored.FromStore);
    EXPECT_EQ(stored.Host, "ptbtime1.ptb.de");
    EXPECT_EQ(stored.Store, SettingsStoreStatus::Absent);

    WriteProfileString("Settings", "Host", "127.0.0.1");
    stored = LookUpStoredHost();
    EXPECT_TRUE(stored.FromStore);
    EXPECT_EQ(stored.Host, "127.0.0.1");
    EXPECT_EQ(stored.Store, SettingsStoreStatus::Read);
    EXPECT_EQ(StoredOrDefaultHost(), "127.0.0.1");
}

} // namespace
