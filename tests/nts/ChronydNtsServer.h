#pragma once
// chronyd as an NTS server on loopback: its key exchange on one TCP port, NTP
// on one UDP port, a certificate for "localhost" and 127.0.0.1 issued by a
// test authority of its own.
#include "ChronydFixture.h"
#include "TestCertificates.h"

#include <string>

namespace brisvander::ntstest {

class ChronydNtsServer {
public:
    // Returns once both ports answer; false with a clear reason otherwise.
    bool Start(std::string& whyNot);
    int NtpPort() const { return m_chronyd.Port(); }
    int KeyExchangePort() const { return m_chronyd.KeyExchangePort(); }
    // The authority that issued the server's certificate, as a PEM file.
    const std::string& CaFile() const { return m_caFile; }

private:
    TestAuthority m_authority{"Brisvander chronyd CA"};
    TempDirectory m_directory;
    std::string m_caFile;
    testsupport::ChronydFixture m_chronyd; // declared last: stops before its files go
};

using ChronydNtsSuite = testsupport::ChronydSuite<ChronydNtsServer>;

} // namespace brisvander::ntstest
