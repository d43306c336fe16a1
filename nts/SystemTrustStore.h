#pragma once
// The certificate authorities a key exchange trusts by default, read no more
// than a chain needs. Parsing a whole bundle costs some 30 ms with OpenSSL 3.0,
// more than the rest of an NTS query, and most chains need one root of it.
#include <openssl/ssl.h>

#include <string>

namespace brisvander {

// Adds the system's trust store to `ctx`: the hashed directory (SSL_CERT_DIR,
// else OpenSSL's default) and behind it the bundle file (SSL_CERT_FILE, else
// OpenSSL's default), each consulted only for an issuer not found before it.
// A process in secure-execution mode (it gained a right at its start: a file
// capability, set-user-id or set-group-id) ignores both variables.
// The same authorities as SSL_CTX_set_default_verify_paths, except that a
// subject the directory names is taken from the directory alone. False when
// OpenSSL refuses.
bool AddSystemTrustStore(SSL_CTX* ctx);

// Adds a lookup to `store` that reads the PEM certificates of `bundlePath` at
// its first question for an issuer, then answers from what it read. A file
// that is missing or unreadable then answers nothing. For one thread's store.
bool AddLazyBundle(X509_STORE* store, const std::string& bundlePath);

} // namespace brisvander
