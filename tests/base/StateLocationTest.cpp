#include "StateLocation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace brisvander {
namespace {

TEST(StateLocation, XdgStateHomeWinsOnlyWhenAbsolute)
{
    EXPECT_EQ(StateHomeFrom("/x/state", "/home/u"), "/x/state");
    EXPECT_EQ(StateHomeFrom(nullptr, "/home/u"), "/home/u/.local/state");
    EXPECT_EQ(StateHomeFrom("", "/home/u"), "/home/u/.local/state");
    EXPECT_EQ(StateHomeFrom("relative/state", "/home/u"), "/home/u/.local/state");
    EXPECT_EQ(StateHomeFrom("relative", "relative-home"), "");
    EXPECT_EQ(StateHomeFrom(nullptr, nullptr), "");
}

TEST(StateLocation, ProgramFolderFollowsTheEnvironment)
{
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string before = saved != nullptr ? saved : "";
    setenv("XDG_STATE_HOME", "/tmp/elsewhere", 1);
    EXPECT_EQ(BrisvanderStateDirectory(), "/tmp/elsewhere/brisvander");
    setenv("XDG_STATE_HOME", "not-absolute", 1);
    EXPECT_EQ(BrisvanderStateDirectory().substr(0, 1), "/");
    if (saved != nullptr)
        setenv("XDG_STATE_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

TEST(StateLocation, MakeFoldersCreatesTheMissingOnesWithTheMode)
{
    const std::filesystem::path top = std::filesystem::temp_directory_path() / ("state-test-" + std::to_string(getpid()));
    const std::string nested = (top / "a" / "b").string();
    const mode_t oldMask = umask(022);
    ASSERT_TRUE(MakeFolders(nested, 0700));
    ASSERT_TRUE(MakeFolders(nested, 0700)); // there already: still fine
    struct stat status {};
    ASSERT_EQ(stat(nested.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    const std::string file = (top / "file").string();
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(MakeFolders(file + "/below", 0700));
    EXPECT_FALSE(MakeFolders(file, 0700));
    umask(oldMask);
    std::filesystem::remove_all(top);
}

} // namespace
} // namespace brisvander
