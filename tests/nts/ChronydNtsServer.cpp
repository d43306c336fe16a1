#include "ChronydNtsServer.h"

namespace brisvander::ntstest {

bool ChronydNtsServer::Start(std::string& whyNot)
{
    const ServerCredentials credentials = m_authority.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
    m_caFile = m_directory.Write("ca.pem", m_authority.CertificatePem());
    const testsupport::ChronydNtsFiles files{m_directory.Write("cert.pem", credentials.CertificatePem),
                                             m_directory.Write("key.pem", credentials.PrivateKeyPem)};
    if (credentials.CertificatePem.empty() || m_caFile.empty() || files.CertificateFile.empty() ||
        files.KeyFile.empty()) {
        whyNot = "cannot write the test certificate to " + m_directory.Path();
        return false;
    }
    return m_chronyd.Start(files, whyNot);
}

} // namespace brisvander::ntstest
