// The bundle of trusted authorities read at the first question for an
// issuer: chains it completes, chains it must not, and what it leaves behind.
#include "SystemTrustStore.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509_vfy.h>

#include <memory>

using namespace brisvander;
using namespace brisvander::ntstest;

namespace {
struct StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};

std::unique_ptr<X509, decltype(&X509_free)> Parse(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return {certificate, &X509_free};
}

// The verification result for `leafPem` against `store` (X509_V_OK when trusted).
long Verify(X509_STORE* store, const std::string& leafPem)
{
    auto leaf = Parse(leafPem);
    if (!leaf)
        return -1;
    X509_STORE_CTX* ctx = X509_STORE_CTX_new();
    long result = -1;
    if (ctx != nullptr && X509_STORE_CTX_init(ctx, store, leaf.get(), nullptr) == 1)
        result = X509_verify_cert(ctx) == 1 ? X509_V_OK : X509_STORE_CTX_get_error(ctx);
    X509_STORE_CTX_free(ctx);
    return result;
}

class LazyBundleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_ours.Valid());
        ASSERT_TRUE(m_stranger.Valid());
        m_leaf = m_ours.Issue("localhost", {"DNS:localhost"}).CertificatePem;
        ASSERT_FALSE(m_leaf.empty());
        ERR_clear_error();
    }

    std::unique_ptr<X509_STORE, StoreFree> StoreReading(const std::string& bundlePath)
    {
        std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
        EXPECT_TRUE(store && AddLazyBundle(store.get(), bundlePath));
        return store;
    }

    TestAuthority m_ours{"Brisvander Test CA"};
    TestAuthority m_stranger{"Somebody Else"};
    TempDirectory m_directory;
    std::string m_leaf;
};
} // namespace

TEST_F(LazyBundleTest, IsReadAtTheFirstQuestionAndFindsTheIssuerAmongOthers)
{
    // The file does not exist yet when the lookup is made: nothing is read before a chain asks.
    const std::string path = m_directory.Path() + "/bundle.pem";
    auto store = StoreReading(path);
    ASSERT_EQ(m_directory.Write("bundle.pem", m_stranger.CertificatePem() + m_ours.CertificatePem()), path);
    EXPECT_EQ(Verify(store.get(), m_leaf), X509_V_OK);
    // Asked again, it answers from the store without reading again.
    EXPECT_EQ(Verify(store.get(), m_leaf), X509_V_OK);
}

TEST_F(LazyBundleTest, AnIssuerNotInTheBundleStaysUnknownAndLeavesNoErrorBehind)
{
    auto store = StoreReading(m_directory.Write("bundle.pem", m_stranger.CertificatePem()));
    EXPECT_EQ(Verify(store.get(), m_leaf), X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY);
    EXPECT_EQ(ERR_peek_error(), 0u);

    auto missing = StoreReading(m_directory.Path() + "/none.pem");
    EXPECT_EQ(Verify(missing.get(), m_leaf), X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY);
    EXPECT_EQ(ERR_peek_error(), 0u);

    auto broken = StoreReading(m_directory.Write("broken.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n"));
    EXPECT_EQ(Verify(broken.get(), m_leaf), X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY);
    EXPECT_EQ(ERR_peek_error(), 0u);
}

TEST_F(LazyBundleTest, OfTwoAuthoritiesWithOneNameTheOneWhoseKeySignedIsFound)
{
    // A renewed root keeps its name and changes its key; the older one may come first.
    const TestAuthority older("Brisvander Test CA");
    ASSERT_TRUE(older.Valid());
    auto store = StoreReading(m_directory.Write("bundle.pem", older.CertificatePem() + m_ours.CertificatePem()));
    EXPECT_EQ(Verify(store.get(), m_leaf), X509_V_OK);
}
