#pragma once
// What a stored session's certificate was verified with, as a short text: a
// session is used again only under the same trust. An extra trust anchor is
// named by its contents, so a moved copy is the same anchor and an edited
// file at the same path is not.
#include <optional>
#include <string>

namespace brisvander {

// The identity of the system's trust store alone, with SSL_CERT_FILE and
// SSL_CERT_DIR where this process honours them.
std::string SystemTrustIdentity();

// "sha256:<64 hex digits>" of the contents of the PEM file `caFile` (trusted
// besides the system's store); empty when it cannot be read. Reads the file
// (following symbolic links, as the key exchange does); a FIFO or folder
// counts as unreadable.
std::optional<std::string> CaFileTrustIdentity(const std::string& caFile);

// `identity` with the certificate's validity period left unchecked
// (--nts-ignore-cert-time): a session made so serves only runs that accept
// the same, never one that checks the period.
std::string TrustIgnoringCertificatePeriod(const std::string& identity);

} // namespace brisvander
