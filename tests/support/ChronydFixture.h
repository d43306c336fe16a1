#pragma once
// A real chronyd serving SNTP on a free port of 127.0.0.1 and ::1 from a generated
// configuration in its own temporary directory. It runs with -x, so it never
// touches the system clock; it serves the local clock at a fixed stratum.
#include <string>
#include <sys/types.h>

namespace brisvander::testsupport {

// BRISVANDER_CHRONYD first, then the chronyd that the test set-up unpacks from
// Debian's package into the build tree (no time service installed), then the
// system's. Empty when there is none.
std::string FindChronyd();

class ChronydFixture {
public:
    ChronydFixture() = default;
    ~ChronydFixture(); // stops it
    ChronydFixture(const ChronydFixture&) = delete;
    ChronydFixture& operator=(const ChronydFixture&) = delete;

    // Returns once chronyd answers SNTP queries; false with a clear reason
    // when it cannot run here.
    bool Start(std::string& whyNot);
    // Ends the process and removes the temporary directory; safe to repeat.
    void Stop();
    int Port() const;

    // The stratum chronyd is configured to serve.
    static constexpr int LocalStratum = 3;
    pid_t ProcessId() const { return m_pid; }
    const std::string& Directory() const { return m_directory; }

private:
    bool Launch(const std::string& program, int port, std::string& whyNot);
    bool WaitUntilServing(int port, std::string& whyNot);
    void EndProcess();
    std::string LogTail() const;

    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_directory;
};

} // namespace brisvander::testsupport
