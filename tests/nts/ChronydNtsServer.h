#pragma once
// chronyd as an NTS server on loopback: its key exchange on one TCP port, NTP
// on one UDP port, a certificate for "localhost" issued by a test authority.
// It runs with -x and never touches the clock. chronyd is found as the
// plain fixture finds it (FindChronyd); it is never installed.
#include "TestCertificates.h"

#include <string>
#include <sys/types.h>

namespace brisvander::ntstest {

class ChronydNtsServer {
public:
    ChronydNtsServer() = default;
    ~ChronydNtsServer(); // stops it
    ChronydNtsServer(const ChronydNtsServer&) = delete;
    ChronydNtsServer& operator=(const ChronydNtsServer&) = delete;

    // Returns once both ports answer; false with a clear reason otherwise.
    bool Start(const TestAuthority& authority, std::string& whyNot);
    void Stop();
    int NtpPort() const { return m_ntpPort; }
    int KeyExchangePort() const { return m_kePort; }
    const std::string& CaFile() const { return m_caFile; }

private:
    bool Launch(const std::string& program, std::string& whyNot);
    bool WaitUntilServing(std::string& whyNot);
    std::string LogTail() const;

    TempDirectory m_directory;
    std::string m_caFile;
    pid_t m_pid = -1;
    int m_ntpPort = 0;
    int m_kePort = 0;
};

} // namespace brisvander::ntstest
