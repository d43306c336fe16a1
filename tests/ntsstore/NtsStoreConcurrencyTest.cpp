#include "NtsSessionStore.h"
#include "StoreTestSupport.h"

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace brisvander {
namespace {

constexpr int Workers = 4;
constexpr std::uint32_t Rounds = 400;

// One run after another as the programs would make them: take, send one
// cookie (its number goes down `sent`), put back the rest with a reply's fresh
// one; where nothing is stored, a "key exchange" gives eight new cookies.
// Cookie numbers carry the worker in their high bits, so every cookie made is
// new. Exits non-zero on anything but Taken or Absent.
[[noreturn]] void RunWorker(const std::string& folder, std::uint32_t worker, int sent)
{
    const NtsSessionStore store(folder);
    std::uint32_t next = worker << 20;
    for (std::uint32_t round = 0; round < Rounds; ++round) {
        NtsTakeResult taken = store.Take("time.example", 4460, "system", 1'750'000'000);
        NtsSession session;
        if (taken.Status == NtsTakeStatus::Taken) {
            session = std::move(*taken.Session);
            const std::uint32_t number = CookieNumber(session.Cookies.front());
            if (write(sent, &number, sizeof number) != sizeof number)
                _exit(2);
            session.Cookies.erase(session.Cookies.begin());
            session.Cookies.push_back(SessionWithCookies(next++, 1).Cookies.front());
        } else if (taken.Status == NtsTakeStatus::Absent) {
            session = SessionWithCookies(next, 8);
            next += 8;
        } else {
            _exit(3);
        }
        if (store.Put("time.example", 4460, "system", session, 1'750'000'000))
            _exit(4);
    }
    _exit(0);
}

using NtsStoreConcurrency = StoreFolderTest;

TEST_F(NtsStoreConcurrency, NoCookieIsSentTwiceByRunsAtOnce)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::vector<pid_t> children;
    for (std::uint32_t worker = 1; worker <= Workers; ++worker) {
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            RunWorker(Folder, worker, pipeEnds[1]);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    close(pipeEnds[1]);
    std::vector<std::uint32_t> sent;
    std::uint32_t number = 0;
    while (read(pipeEnds[0], &number, sizeof number) == sizeof number)
        sent.push_back(number);
    close(pipeEnds[0]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    // Enough runs found the session (the others found another run holding it) for the check to mean something.
    EXPECT_GE(sent.size(), Rounds / 2);
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(std::adjacent_find(sent.begin(), sent.end()), sent.end()) << "a cookie was sent twice";
}

} // namespace
} // namespace brisvander
