#include "ChronydNtsServer.h"

#include "ChronydFixture.h"

#include "LoopbackPorts.h"
#include "SntpProbe.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brisvander::ntstest {
namespace {
using Clock = std::chrono::steady_clock;

// Like testsupport's UDP helper, for the key exchange's TCP port.
int FreeLoopbackTcpPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

bool TcpPortAccepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}
} // namespace

ChronydNtsServer::~ChronydNtsServer() { Stop(); }

bool ChronydNtsServer::Start(const TestAuthority& authority, std::string& whyNot)
{
    const std::string program = testsupport::FindChronyd();
    if (program.empty()) {
        whyNot = "chronyd not found (set BRISVANDER_CHRONYD to an unpacked chronyd; chrony is never installed)";
        return false;
    }
    const ServerCredentials credentials = authority.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
    m_caFile = m_directory.Write("ca.pem", authority.CertificatePem());
    if (credentials.CertificatePem.empty() || m_caFile.empty() ||
        m_directory.Write("cert.pem", credentials.CertificatePem).empty() ||
        m_directory.Write("key.pem", credentials.PrivateKeyPem).empty()) {
        whyNot = "cannot write the test certificate to " + m_directory.Path();
        return false;
    }
    m_ntpPort = testsupport::FreeLoopbackUdpPort();
    m_kePort = FreeLoopbackTcpPort();
    if (m_ntpPort == 0 || m_kePort == 0) {
        whyNot = "no free loopback port";
        return false;
    }
    if (Launch(program, whyNot) && WaitUntilServing(whyNot))
        return true;
    Stop();
    return false;
}

bool ChronydNtsServer::Launch(const std::string& program, std::string& whyNot)
{
    const std::string& dir = m_directory.Path();
    std::ofstream conf(dir + "/chrony.conf");
    conf << "port " << m_ntpPort << "\nntsport " << m_kePort << "\n"
         << "bindaddress 127.0.0.1\nbindaddress ::1\nallow 127.0.0.1\nallow ::1\nlocal stratum 3\n"
         << "cmdport 0\nbindcmdaddress /\n"
         << "pidfile " << dir << "/chronyd.pid\n"
         << "ntsservercert " << dir << "/cert.pem\nntsserverkey " << dir << "/key.pem\n"
         << "ntsdumpdir " << dir << "\n";
    conf.close();
    if (!conf) {
        whyNot = "cannot write the chronyd configuration";
        return false;
    }
    std::vector<std::string> args{program, "-x", "-d", "-f", dir + "/chrony.conf"};
    if (geteuid() != 0)
        args.push_back("-U");
    else if (getpwnam("_chrony") == nullptr)
        args.insert(args.end(), {"-u", "root"});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string log = dir + "/chronyd.log";

    m_pid = fork();
    if (m_pid < 0) {
        whyNot = "fork failed";
        return false;
    }
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return true;
}

bool ChronydNtsServer::WaitUntilServing(std::string& whyNot)
{
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < limit) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            whyNot = "chronyd exited at start-up: " + LogTail();
            return false;
        }
        if (testsupport::ProbeSntpServer(m_ntpPort, 100) && TcpPortAccepts(m_kePort))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    whyNot = "chronyd did not serve within 10 s: " + LogTail();
    return false;
}

void ChronydNtsServer::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const auto limit = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < limit && waitpid(m_pid, nullptr, WNOHANG) != m_pid)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
}

std::string ChronydNtsServer::LogTail() const
{
    std::ifstream log(m_directory.Path() + "/chronyd.log");
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    if (text.size() > 600)
        text = "..." + text.substr(text.size() - 600);
    return text.empty() ? "no output" : text;
}

} // namespace brisvander::ntstest
