#pragma once
// Certificates made at test time with OpenSSL: a certificate authority and
// server certificates it issues. Nothing is kept between runs.
#include <memory>
#include <string>
#include <vector>

namespace brisvander::ntstest {

// When a certificate is valid, in seconds from the moment it is made. By
// default from an hour ago for a day: a test never meets the edges.
struct Validity {
    long NotBefore = -3600;
    long NotAfter = 86400;
};

struct ServerCredentials {
    std::string CertificatePem;
    std::string PrivateKeyPem;
};

class TestAuthority {
public:
    explicit TestAuthority(const std::string& commonName);
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    bool Valid() const;
    const std::string& CertificatePem() const { return m_certificatePem; }
    // A P-256 server certificate with these subjectAltName entries ("DNS:localhost", "IP:127.0.0.1").
    ServerCredentials Issue(const std::string& commonName, const std::vector<std::string>& altNames,
                            Validity validity = {}) const;

private:
    struct Keys;
    std::unique_ptr<Keys> m_keys;
    std::string m_certificatePem;
};

// A private directory removed with its contents on destruction.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& Path() const { return m_path; }
    // Writes `text` to Path()/name and returns the full path ("" on failure).
    std::string Write(const std::string& name, const std::string& text) const;

private:
    std::string m_path;
};

} // namespace brisvander::ntstest
