#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace brisvander::ntstest {
namespace {
struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;

std::string Pem(int (*write)(BIO*, void*), void* object)
{
    BIO* bio = BIO_new(BIO_s_mem());
    std::string text;
    if (bio != nullptr && write(bio, object) == 1) {
        char* data = nullptr;
        const long length = BIO_get_mem_data(bio, &data);
        text.assign(data, static_cast<std::size_t>(length));
    }
    BIO_free(bio);
    return text;
}

std::string CertificateText(X509* certificate)
{
    return Pem([](BIO* b, void* o) { return PEM_write_bio_X509(b, static_cast<X509*>(o)); }, certificate);
}

std::string KeyText(EVP_PKEY* key)
{
    return Pem(
        [](BIO* b, void* o) {
            return PEM_write_bio_PrivateKey(b, static_cast<EVP_PKEY*>(o), nullptr, nullptr, 0, nullptr, nullptr);
        },
        key);
}

bool AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    const bool added = extension != nullptr && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

X509Ptr NewCertificate(EVP_PKEY* key, const std::string& commonName, long serial, Validity validity = {})
{
    X509Ptr certificate(X509_new());
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), validity.NotBefore);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), validity.NotAfter);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                               -1, -1, 0);
    return certificate;
}
} // namespace

struct TestAuthority::Keys {
    PkeyPtr Key;
    X509Ptr Certificate;
};

TestAuthority::TestAuthority(const std::string& commonName) : m_keys(std::make_unique<Keys>())
{
    m_keys->Key.reset(EVP_EC_gen("P-256"));
    if (!m_keys->Key)
        return;
    X509Ptr certificate = NewCertificate(m_keys->Key.get(), commonName, 1);
    X509_set_issuer_name(certificate.get(), X509_get_subject_name(certificate.get()));
    if (!AddExtension(certificate.get(), certificate.get(), NID_basic_constraints, "critical,CA:TRUE") ||
        !AddExtension(certificate.get(), certificate.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !AddExtension(certificate.get(), certificate.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(certificate.get(), m_keys->Key.get(), EVP_sha256()) == 0)
        return;
    m_certificatePem = CertificateText(certificate.get());
    m_keys->Certificate = std::move(certificate);
}

TestAuthority::~TestAuthority() = default;

bool TestAuthority::Valid() const { return m_keys->Certificate != nullptr; }

ServerCredentials TestAuthority::Issue(const std::string& commonName, const std::vector<std::string>& altNames,
                                       Validity validity) const
{
    static long serial = 100;
    PkeyPtr key(EVP_EC_gen("P-256"));
    if (!key || !Valid())
        return {};
    X509Ptr certificate = NewCertificate(key.get(), commonName, ++serial, validity);
    X509_set_issuer_name(certificate.get(), X509_get_subject_name(m_keys->Certificate.get()));
    std::string names;
    for (const std::string& n : altNames)
        names += (names.empty() ? "" : ",") + n;
    X509* issuer = m_keys->Certificate.get();
    if (!AddExtension(certificate.get(), issuer, NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(certificate.get(), issuer, NID_ext_key_usage, "serverAuth") ||
        !AddExtension(certificate.get(), issuer, NID_authority_key_identifier, "keyid") ||
        (!names.empty() && !AddExtension(certificate.get(), issuer, NID_subject_alt_name, names)) ||
        X509_sign(certificate.get(), m_keys->Key.get(), EVP_sha256()) == 0)
        return {};
    return {CertificateText(certificate.get()), KeyText(key.get())};
}

TempDirectory::TempDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/brisvander-nts-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

TempDirectory::~TempDirectory()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDirectory::Write(const std::string& name, const std::string& text) const
{
    const std::string path = m_path + "/" + name;
    std::ofstream file(path, std::ios::binary);
    file << text;
    return file ? path : std::string();
}

} // namespace brisvander::ntstest
