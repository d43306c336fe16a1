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
    // `validity`: the server's certificate's, from the moment it is made.
    explicit ChronydNtsServer(Validity validity = {}) : m_validity(validity) {}
    // Returns once both ports answer; false with a clear reason otherwise.
    bool Start(std::string& whyNot);
    int NtpPort() const { return m_chronyd.Port(); }
    int KeyExchangePort() const { return m_chronyd.KeyExchangePort(); }
    // The authority that issued the server's certificate, as a PEM file.
    const std::string& CaFile() const { return m_caFile; }

private:
    Validity m_validity;
    TestAuthority m_authority{"Brisvander chronyd CA"};
    TempDirectory m_directory;
    std::string m_caFile;
    testsupport::ChronydFixture m_chronyd; // declared last: stops before its files go
};

using ChronydNtsSuite = testsupport::ChronydSuite<ChronydNtsServer>;

// chronyd whose certificate is valid from tomorrow on: right in every respect
// but the local clock's reading.
class ChronydNtsServerFromTomorrow : public ChronydNtsServer {
public:
    ChronydNtsServerFromTomorrow() : ChronydNtsServer(Validity{86400, 30 * 86400}) {}
};

} // namespace brisvander::ntstest
