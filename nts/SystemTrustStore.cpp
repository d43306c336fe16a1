#include "SystemTrustStore.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace brisvander {
namespace {
struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

struct LazyBundle {
    std::string Path;
    bool Read = false;
    std::vector<X509Ptr> Certificates;
};

void ReadBundle(LazyBundle& bundle)
{
    bundle.Read = true;
    // The end of the file leaves an error behind; so would a broken entry.
    // Neither may be mistaken later for the reason a handshake failed.
    ERR_set_mark();
    if (BIO* file = BIO_new_file(bundle.Path.c_str(), "r")) {
        while (X509* certificate = PEM_read_bio_X509_AUX(file, nullptr, nullptr, nullptr))
            bundle.Certificates.emplace_back(certificate);
        BIO_free(file);
    }
    ERR_pop_to_mark();
}

// Every certificate of that subject goes into the store, as the hashed
// directory's lookup does, so that the chain builder can pick the one whose
// key signed; `found` names the first without holding a reference of its own
// (the store and the bundle hold them), which is what OpenSSL's caller expects.
int IssuerBySubject(X509_LOOKUP* lookup, X509_LOOKUP_TYPE type, const X509_NAME* subject, X509_OBJECT* found)
{
    auto* bundle = static_cast<LazyBundle*>(X509_LOOKUP_get_method_data(lookup));
    if (bundle == nullptr || type != X509_LU_X509)
        return 0;
    if (!bundle->Read)
        ReadBundle(*bundle);
    X509_STORE* store = X509_LOOKUP_get_store(lookup);
    X509* first = nullptr;
    for (const X509Ptr& certificate : bundle->Certificates) {
        if (X509_NAME_cmp(X509_get_subject_name(certificate.get()), subject) != 0)
            continue;
        if (X509_STORE_add_cert(store, certificate.get()) != 1)
            return 0;
        if (first == nullptr)
            first = certificate.get();
    }
    if (first == nullptr || X509_OBJECT_set1_X509(found, first) != 1)
        return 0;
    X509_free(first);
    return 1;
}

void FreeBundle(X509_LOOKUP* lookup)
{
    delete static_cast<LazyBundle*>(X509_LOOKUP_get_method_data(lookup));
    X509_LOOKUP_set_method_data(lookup, nullptr);
}

// One method for the process, never freed: lookups made from it may live as
// long as any context.
X509_LOOKUP_METHOD* LazyBundleMethod()
{
    static X509_LOOKUP_METHOD* const method = [] {
        X509_LOOKUP_METHOD* m = X509_LOOKUP_meth_new("brisvander lazy bundle");
        if (m != nullptr) {
            X509_LOOKUP_meth_set_get_by_subject(m, IssuerBySubject);
            X509_LOOKUP_meth_set_free(m, FreeBundle);
        }
        return m;
    }();
    return method;
}

// secure_getenv: a process that gained a right at its start (a file
// capability, set-id) must not trust the authorities its caller names.
std::string FromEnvironmentOr(const char* variable, const char* fallback)
{
    const char* value = variable != nullptr ? secure_getenv(variable) : nullptr;
    return value != nullptr ? value : fallback;
}
} // namespace

bool AddLazyBundle(X509_STORE* store, const std::string& bundlePath)
{
    X509_LOOKUP_METHOD* method = LazyBundleMethod();
    X509_LOOKUP* lookup = method != nullptr ? X509_STORE_add_lookup(store, method) : nullptr;
    if (lookup == nullptr)
        return false;
    auto bundle = std::make_unique<LazyBundle>();
    bundle->Path = bundlePath;
    if (X509_LOOKUP_set_method_data(lookup, bundle.get()) != 1)
        return false;
    bundle.release();
    return true;
}

bool AddSystemTrustStore(SSL_CTX* ctx)
{
    // The directory first: Debian's holds every root of the bundle, so the
    // bundle is read only for a chain the directory cannot finish.
    X509_STORE* store = SSL_CTX_get_cert_store(ctx);
    X509_LOOKUP* directory = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    const std::string directories = FromEnvironmentOr(X509_get_default_cert_dir_env(), X509_get_default_cert_dir());
    if (directory == nullptr || X509_LOOKUP_add_dir(directory, directories.c_str(), X509_FILETYPE_PEM) != 1)
        return false;
    const std::string bundle = FromEnvironmentOr(X509_get_default_cert_file_env(), X509_get_default_cert_file());
    return AddLazyBundle(store, bundle);
}

} // namespace brisvander
