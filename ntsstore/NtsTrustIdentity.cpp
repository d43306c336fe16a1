#include "NtsTrustIdentity.h"

#include "Sha256.h"
#include "UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <unistd.h>

namespace brisvander {

namespace {
struct DigestContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

// Feeds the whole of `fd` to `ctx`; false on a read error.
bool DigestFile(int fd, EVP_MD_CTX* ctx)
{
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || EVP_DigestUpdate(ctx, buffer, static_cast<std::size_t>(got)) != 1)
            return false;
    }
}
} // namespace

std::string SystemTrustIdentity()
{
    // The store the key exchange reads: the variables count only where it
    // honours them (secure_getenv, as the trust store itself does).
    std::string identity = "system";
    for (const char* variable : {"SSL_CERT_FILE", "SSL_CERT_DIR"})
        if (const char* value = secure_getenv(variable))
            identity += std::string(";") + variable + "=" + value;
    return identity;
}

std::string TrustIgnoringCertificatePeriod(const std::string& identity) { return identity + ";no-cert-time"; }

std::optional<std::string> CaFileTrustIdentity(const std::string& caFile)
{
    const UniqueFd fd(open(caFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const std::unique_ptr<EVP_MD_CTX, DigestContextFree> ctx(EVP_MD_CTX_new());
    if (!fd.Valid() || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1 ||
        !DigestFile(fd.Get(), ctx.get()))
        return std::nullopt;
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest.data(), &length) != 1 || length != digest.size())
        return std::nullopt;
    return "sha256:" + HexOf(digest);
}

} // namespace brisvander
