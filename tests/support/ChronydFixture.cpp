#include "ChronydFixture.h"

#include "LoopbackPorts.h"
#include "SntpProbe.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brisvander::testsupport {
namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kStartupLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(3);
constexpr int kPortAttempts = 3;

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

// The chronyd named by BRISVANDER_CHRONYD; null when unset or empty.
const char* ChosenChronyd()
{
    const char* chosen = std::getenv("BRISVANDER_CHRONYD");
    return chosen != nullptr && *chosen != '\0' ? chosen : nullptr;
}


std::string MakeTempDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/brisvander-chronyd-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr)
        return {};
    return name.data();
}

bool WriteConfig(const std::string& path, const std::string& directory, int port, int kePort,
                 const ChronydNtsFiles* nts)
{
    std::ofstream conf(path);
    conf << "port " << port << "\n"
         // Both loopback addresses, so queries over IPv6 reach it too.
         << "bindaddress 127.0.0.1\n"
         << "bindaddress ::1\n"
         << "allow 127.0.0.1\n"
         << "allow ::1\n"
         << "local stratum " << ChronydFixture::LocalStratum << "\n"
         // No command port and no command socket: nothing outside the temporary directory.
         << "cmdport 0\n"
         << "bindcmdaddress /\n"
         << "pidfile " << directory << "/chronyd.pid\n";
    if (nts != nullptr)
        conf << "ntsport " << kePort << "\n"
             << "ntsservercert " << nts->CertificateFile << "\n"
             << "ntsserverkey " << nts->KeyFile << "\n"
             << "ntsdumpdir " << directory << "\n";
    conf.close();
    return static_cast<bool>(conf);
}

// Arguments for how this process may start chronyd.
std::vector<std::string> Arguments(const std::string& program, const std::string& conf)
{
    std::vector<std::string> args{program, "-x", "-d", "-f", conf};
    if (geteuid() != 0)
        args.push_back("-U"); // no root check: with -x and a high port it needs no privilege
    // The account it runs as by default comes with the installed package: an unpacked chronyd runs as us.
    if (getpwnam("_chrony") == nullptr)
        if (const passwd* self = getpwuid(geteuid()); self != nullptr)
            args.insert(args.end(), {"-u", self->pw_name});
    return args;
}
} // namespace

// BRISVANDER_CHRONYD first, then the chronyd that the test set-up unpacks from
// Debian's package into the build tree (no time service installed), then the system's.
std::string FindChronyd()
{
    if (const char* chosen = ChosenChronyd())
        return IsExecutable(chosen) ? chosen : std::string();
    const std::string unpacked = std::string(BRISVANDER_TEST_TOOLS_DIR) + "/chrony/usr/sbin/chronyd";
    if (IsExecutable(unpacked))
        return unpacked;

    std::vector<std::string> dirs;
    if (const char* path = std::getenv("PATH")) {
        std::stringstream list(path);
        for (std::string dir; std::getline(list, dir, ':');)
            if (!dir.empty())
                dirs.push_back(dir);
    }
    // chronyd lives in sbin, which a normal user's PATH often lacks.
    dirs.insert(dirs.end(), {"/usr/sbin", "/sbin", "/usr/local/sbin"});
    for (const std::string& dir : dirs) {
        const std::string candidate = dir + "/chronyd";
        if (IsExecutable(candidate))
            return candidate;
    }
    return {};
}

ChronydFixture::~ChronydFixture() { Stop(); }

int ChronydFixture::Port() const { return m_port; }

bool ChronydFixture::Start(std::string& whyNot)
{
    return Start(ChronydNtsFiles{}, whyNot);
}

bool ChronydFixture::Start(const ChronydNtsFiles& ntsFiles, std::string& whyNot)
{
    Stop();
    const ChronydNtsFiles* nts = ntsFiles.CertificateFile.empty() ? nullptr : &ntsFiles;
    const std::string program = FindChronyd();
    if (program.empty()) {
        whyNot = ChosenChronyd() != nullptr
                     ? "BRISVANDER_CHRONYD is not an executable chronyd"
                     : "no chronyd: ./test.sh unpacks Debian's chrony into " BRISVANDER_TEST_TOOLS_DIR "/chrony";
        return false;
    }
    m_directory = MakeTempDirectory();
    if (m_directory.empty()) {
        whyNot = std::string("cannot create a temporary directory: ") + std::strerror(errno);
        return false;
    }
    // A port can be taken between choosing it and chronyd binding it: try again with another.
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        const int port = FreeLoopbackUdpPort();
        m_kePort = nts != nullptr ? FreeLoopbackTcpPort() : 0;
        if (port == 0 || (nts != nullptr && m_kePort == 0)) {
            whyNot = "no free port on 127.0.0.1";
            break;
        }
        if (Launch(program, port, nts, whyNot) && WaitUntilServing(port, whyNot)) {
            m_port = port;
            return true;
        }
        EndProcess();
    }
    Stop();
    return false;
}

bool ChronydFixture::Launch(const std::string& program, int port, const ChronydNtsFiles* nts, std::string& whyNot)
{
    const std::string conf = m_directory + "/chrony.conf";
    if (!WriteConfig(conf, m_directory, port, m_kePort, nts)) {
        whyNot = "cannot write " + conf;
        return false;
    }
    const std::string log = m_directory + "/chronyd.log";
    const std::vector<std::string> args = Arguments(program, conf);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        whyNot = std::string("fork failed: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        prctl(PR_SET_PDEATHSIG, SIGTERM); // do not outlive a test that crashed
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        const int in = open("/dev/null", O_RDONLY);
        if (in >= 0)
            dup2(in, STDIN_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    m_pid = pid;
    return true;
}

bool ChronydFixture::WaitUntilServing(int port, std::string& whyNot)
{
    const Clock::time_point limit = Clock::now() + kStartupLimit;
    while (Clock::now() < limit) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            whyNot = "chronyd exited at start-up (" +
                     (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                                        : "signal " + std::to_string(WTERMSIG(status))) +
                     "): " + LogTail();
            return false;
        }
        if (ProbeSntpServer(port, 100) && (m_kePort == 0 || LoopbackTcpPortAccepts(m_kePort)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    whyNot = "chronyd did not serve on 127.0.0.1:" + std::to_string(port) + " within 10 s: " + LogTail();
    return false;
}

void ChronydFixture::Stop()
{
    EndProcess();
    m_port = 0;
    m_kePort = 0;
    if (!m_directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
        m_directory.clear();
    }
}

void ChronydFixture::EndProcess()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const Clock::time_point limit = Clock::now() + kStopLimit;
    while (Clock::now() < limit) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::string ChronydFixture::LogTail() const
{
    std::ifstream log(m_directory + "/chronyd.log");
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    constexpr std::size_t kKeep = 600;
    if (text.size() > kKeep)
        text = "..." + text.substr(text.size() - kKeep);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "no output" : text;
}

} // namespace brisvander::testsupport
