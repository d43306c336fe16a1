#include "NtsSessionStore.h"
#include "NtsStoreNames.h"
#include "NtsTrustIdentity.h"
#include "StoreTestSupport.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisvander {
namespace {

constexpr std::int64_t Now = 1'750'000'000;

class NtsStoreFiles : public StoreFolderTest {
protected:
    NtsTakeResult Take(const std::string& trust = "system", std::int64_t now = Now)
    {
        return NtsSessionStore(Folder).Take("time.example", 4460, trust, now);
    }
    std::optional<Failure> Put(std::uint32_t firstCookie, std::size_t count, std::int64_t made = Now)
    {
        const NtsSession session = SessionWithCookies(firstCookie, count);
        return NtsSessionStore(Folder).Put("time.example", 4460, "system", session, made);
    }
    std::string FilePath() const { return Folder + "/" + SessionFileName("time.example", 4460); }
    bool FileThere() const { return std::filesystem::exists(std::filesystem::symlink_status(FilePath())); }
    mode_t ModeOf(const std::string& path) const
    {
        struct stat status {};
        return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
};

TEST_F(NtsStoreFiles, TakeLeavesNothingBehindAndPutKeepsOnlyTheNewestCookies)
{
    EXPECT_EQ(Take().Status, NtsTakeStatus::Absent);
    ASSERT_EQ(Put(100, 3), std::nullopt);
    EXPECT_EQ(ModeOf(Folder), 0700u);
    EXPECT_EQ(ModeOf(FilePath()), 0600u);
    const NtsTakeResult taken = Take();
    ASSERT_EQ(taken.Status, NtsTakeStatus::Taken);
    EXPECT_EQ(taken.Session->Cookies, SessionWithCookies(100, 3).Cookies);
    EXPECT_EQ(taken.KeyExchangeTime, Now);
    EXPECT_FALSE(taken.Warning);
    EXPECT_EQ(Take().Status, NtsTakeStatus::Absent);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder), {}), 0);

    ASSERT_EQ(Put(200, 10), std::nullopt);
    EXPECT_EQ(Take().Session->Cookies, SessionWithCookies(202, 8).Cookies);
    ASSERT_EQ(Put(300, 0), std::nullopt);
    EXPECT_FALSE(FileThere());
}

TEST_F(NtsStoreFiles, RefusesWhatIsNotThisAccountsAlone)
{
    ASSERT_EQ(Put(1, 2), std::nullopt);
    ASSERT_EQ(chmod(Folder.c_str(), 0755), 0);
    NtsTakeResult result = Take();
    EXPECT_EQ(result.Status, NtsTakeStatus::Refused);
    ASSERT_TRUE(result.Warning);
    EXPECT_EQ(result.Warning->Kind, FailureKind::NtsStoreUnusable);
    EXPECT_EQ(result.Warning->Cause, FailureKind::StoreOpenToOthers);
    EXPECT_EQ(result.Warning->Code, 0755);
    EXPECT_EQ(result.Warning->Detail, Folder);
    EXPECT_NE(Put(3, 1), std::nullopt);
    ASSERT_EQ(chmod(Folder.c_str(), 0700), 0);

    ASSERT_EQ(chmod(FilePath().c_str(), 0644), 0);
    EXPECT_EQ(Take().Status, NtsTakeStatus::Refused);
    EXPECT_EQ(ModeOf(FilePath()), 0644u); // left where it was, for the user to see
    ASSERT_EQ(chmod(FilePath().c_str(), 0600), 0);

    if (geteuid() == 0) {
        ASSERT_EQ(chown(FilePath().c_str(), 65534, 65534), 0);
        result = Take();
        EXPECT_EQ(result.Status, NtsTakeStatus::Refused);
        ASSERT_TRUE(result.Warning);
        EXPECT_EQ(result.Warning->Kind, FailureKind::NtsStoredSessionUnusable);
        EXPECT_EQ(result.Warning->Cause, FailureKind::StoreOtherOwner);
        EXPECT_EQ(result.Warning->Code, 65534);
        ASSERT_EQ(chown(FilePath().c_str(), 0, 0), 0);
    }

    const std::string elsewhere = Folder + "-elsewhere";
    std::filesystem::rename(FilePath(), elsewhere);
    std::filesystem::create_symlink(elsewhere, FilePath());
    EXPECT_EQ(Take().Status, NtsTakeStatus::Refused);
    std::filesystem::rename(Folder, Folder + "-real");
    std::filesystem::create_directory_symlink(Folder + "-real", Folder);
    EXPECT_EQ(Take().Status, NtsTakeStatus::Refused);
    EXPECT_NE(Put(3, 1), std::nullopt);
}

TEST_F(NtsStoreFiles, TornOrForeignFilesAreReportedAndKept)
{
    ASSERT_EQ(Put(1, 8), std::nullopt);
    std::filesystem::resize_file(FilePath(), std::filesystem::file_size(FilePath()) - 10);
    for (int run = 0; run < 2; ++run) {
        const NtsTakeResult result = Take();
        EXPECT_EQ(result.Status, NtsTakeStatus::Damaged);
        ASSERT_TRUE(result.Warning);
        EXPECT_EQ(result.Warning->Kind, FailureKind::NtsStoredSessionUnusable);
        EXPECT_EQ(result.Warning->Cause, FailureKind::StoreFileDamaged);
        EXPECT_EQ(result.Warning->Detail, FilePath());
        EXPECT_TRUE(FileThere());
    }
    std::ofstream(FilePath(), std::ios::trunc) << "not a session\n";
    EXPECT_EQ(Take().Status, NtsTakeStatus::Foreign);
    EXPECT_TRUE(FileThere());
    // Another server's session under this one's name.
    ASSERT_EQ(NtsSessionStore(Folder).Put("other.example", 4460, "system", SessionWithCookies(1, 1), Now),
              std::nullopt);
    std::filesystem::rename(Folder + "/" + SessionFileName("other.example", 4460), FilePath());
    EXPECT_EQ(Take().Status, NtsTakeStatus::Foreign);
    EXPECT_TRUE(FileThere());
}

TEST_F(NtsStoreFiles, OldOrOtherAlgorithmSessionsGoOtherTrustsStay)
{
    ASSERT_EQ(Put(1, 2, Now - 15 * 86400), std::nullopt);
    EXPECT_EQ(Take().Status, NtsTakeStatus::TooOld);
    EXPECT_FALSE(FileThere());

    ASSERT_EQ(Put(1, 2), std::nullopt);
    EXPECT_EQ(Take("sha256:ab").Status, NtsTakeStatus::WrongTrust);
    EXPECT_TRUE(FileThere());
    EXPECT_EQ(Take("system", Now - 400 * 86400).Status, NtsTakeStatus::Taken);
}

TEST_F(NtsStoreFiles, AbandonedTakenFilesAreDeletedUnread)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(Put(1, 2), std::nullopt);
    const std::string dead = Folder + "/" + TakenFileName(SessionFileName("time.example", 4460), child, "ab");
    const std::string live = Folder + "/" + TakenFileName(SessionFileName("time.example", 4460), getppid(), "cd");
    std::filesystem::copy_file(FilePath(), dead);
    std::filesystem::copy_file(FilePath(), live);
    EXPECT_EQ(Take().Status, NtsTakeStatus::Taken);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_EQ(Take().Status, NtsTakeStatus::Absent);
}

TEST_F(NtsStoreFiles, ForgetOneHostOnEveryPortOrAll)
{
    const NtsSessionStore store(Folder);
    EXPECT_EQ(store.Forget(std::nullopt).Removed, 0);
    for (const char* host : {"a.example", "b.example"})
        for (std::uint16_t port : {4460, 4461})
            ASSERT_EQ(store.Put(host, port, "system", SessionWithCookies(1, 1), Now), std::nullopt);
    EXPECT_EQ(store.Forget("a.example").Removed, 2);
    EXPECT_EQ(store.Take("a.example", 4461, "system", Now).Status, NtsTakeStatus::Absent);
    EXPECT_EQ(store.Forget(std::nullopt).Removed, 2);
    EXPECT_EQ(store.Take("b.example", 4460, "system", Now).Status, NtsTakeStatus::Absent);
}

TEST_F(NtsStoreFiles, TrustAnchorIsKnownByItsContents)
{
    std::filesystem::create_directories(Folder);
    std::ofstream(Folder + "/a.pem") << "anchor one";
    std::ofstream(Folder + "/b.pem") << "anchor one";
    std::ofstream(Folder + "/c.pem") << "anchor two";
    const auto a = CaFileTrustIdentity(Folder + "/a.pem");
    ASSERT_TRUE(a);
    EXPECT_EQ(a, CaFileTrustIdentity(Folder + "/b.pem"));
    EXPECT_NE(a, CaFileTrustIdentity(Folder + "/c.pem"));
    EXPECT_NE(*a, SystemTrustIdentity());
    EXPECT_FALSE(CaFileTrustIdentity(Folder + "/missing.pem"));
}

} // namespace
} // namespace brisvander
