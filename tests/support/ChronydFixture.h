#pragma once
// A real chronyd serving SNTP on a free port of 127.0.0.1 and ::1 from a generated
// configuration in its own temporary directory, and NTS key exchange on a TCP
// port when given a certificate. It runs with -x, so it never touches the
// system clock; it serves the local clock at a fixed stratum.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/types.h>

namespace brisvander::testsupport {

// BRISVANDER_CHRONYD first, then the chronyd that the test set-up unpacks from
// Debian's package into the build tree (no time service installed), then the
// system's. Empty when there is none.
std::string FindChronyd();

// The certificate and key chronyd's NTS key exchange presents.
struct ChronydNtsFiles {
    std::string CertificateFile;
    std::string KeyFile;
};

class ChronydFixture {
public:
    ChronydFixture() = default;
    ~ChronydFixture(); // stops it
    ChronydFixture(const ChronydFixture&) = delete;
    ChronydFixture& operator=(const ChronydFixture&) = delete;

    // Returns once chronyd answers SNTP queries (and, with `nts`, accepts key
    // exchange connections); false with a clear reason when it cannot run here.
    bool Start(std::string& whyNot);
    bool Start(const ChronydNtsFiles& nts, std::string& whyNot);
    // Ends the process and removes the temporary directory; safe to repeat.
    void Stop();
    int Port() const;
    int KeyExchangePort() const { return m_kePort; } // 0 without NTS

    // The stratum chronyd is configured to serve.
    static constexpr int LocalStratum = 3;
    pid_t ProcessId() const { return m_pid; }
    const std::string& Directory() const { return m_directory; }

private:
    bool Launch(const std::string& program, int port, const ChronydNtsFiles* nts, std::string& whyNot);
    bool WaitUntilServing(int port, std::string& whyNot);
    void EndProcess();
    std::string LogTail() const;

    pid_t m_pid = -1;
    int m_port = 0;
    int m_kePort = 0;
    std::string m_directory;
};

// One chronyd for a whole test suite, started before its first test and
// stopped after its last; each test is skipped, with the reason, where it
// could not start. `Server` is ChronydFixture or a type with the same
// Start(whyNot).
template <typename Server = ChronydFixture>
class ChronydSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_whyNot.clear();
        s_chronyd = std::make_unique<Server>();
        if (!s_chronyd->Start(s_whyNot))
            s_whyNot = "chronyd cannot run here: " + s_whyNot;
    }
    static void TearDownTestSuite() { s_chronyd.reset(); }
    void SetUp() override
    {
        if (!Serving())
            GTEST_SKIP() << s_whyNot;
    }
    static bool Serving() { return s_chronyd != nullptr && s_whyNot.empty(); }

    static inline std::unique_ptr<Server> s_chronyd;
    static inline std::string s_whyNot;
};

} // namespace brisvander::testsupport
