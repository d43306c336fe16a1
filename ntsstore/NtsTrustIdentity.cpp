#include "NtsTrustIdentity.h"

#include "Sha256.h"
#include "UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace brisvander {

namespace {
// Feeds the whole of `fd` to `hasher`; false on a read error.
bool DigestFile(int fd, Sha256Hasher& hasher)
{
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        hasher.Add(ByteView(buffer, static_cast<std::size_t>(got)));
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
    Sha256Hasher hasher;
    if (!fd.Valid() || !DigestFile(fd.Get(), hasher))
        return std::nullopt;
    const Sha256Digest digest = hasher.Finish();
    return "sha256:" + HexOf(digest);
}

} // namespace brisvander
