#pragma once
// A TLS 1.3 client over a non-blocking socket in which no call waits past a
// deadline. OpenSSL works on memory buffers; this class moves the bytes
// between them and the socket itself (send with MSG_NOSIGNAL: a server that
// hangs up never raises SIGPIPE).
#include "Deadline.h"
#include "Expected.h"
#include "NtsBytes.h"
#include "UniqueFd.h"

#include <openssl/ssl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brisvander {

struct SslCtxFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;

// TLS 1.3 only, peer verified against the system's trust store and, when not
// empty, the PEM certificates in `extraCaFile`.
Expected<SslCtxPtr> MakeNtsKeClientContext(const std::string& extraCaFile);

// Whether a certificate's validity period is held against the local clock.
// Ignored, everything else is still checked: chain, signatures, name.
enum class CertificatePeriod { Checked, Ignored };

class TlsStream {
public:
    // `host` is what the certificate must name: a DNS name or an IP literal.
    // The local clock is read once, through the clock seam, for the check.
    TlsStream(SSL_CTX* ctx, UniqueFd socket, const std::string& host, SteadyTime deadline,
              CertificatePeriod period = CertificatePeriod::Checked);
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // Handshake, then the check that the server chose our ALPN protocol.
    // Every failure below is the key exchange's (KeyExchangeFailure). A
    // certificate outside its period, and valid in every other respect, fails
    // only once the handshake is done, as NtsCertificateExpired or
    // NtsCertificateNotYetValid; with CertificatePeriod::Ignored it passes.
    std::optional<Failure> Handshake(std::string_view alpnProtocol);
    // Writes all of `data`.
    std::optional<Failure> WriteAll(ByteView data);
    // Appends what arrives; `closed` tells that the server ended the stream.
    std::optional<Failure> ReadSome(Bytes& out, bool& closed);
    // `length` bytes of keying material for `label` and `context` (RFC 5705); nullopt when OpenSSL refuses.
    std::optional<Bytes> ExportKey(std::string_view label, ByteView context, std::size_t length);
    // Sends close_notify without waiting for the server's.
    void Close();

private:
    enum class Step { Done, Again, Closed, Failed };
    // Runs one SSL call result through the socket: Again after moving bytes.
    Step Pump(int sslResult, std::optional<Failure>& failure);
    // Sends what OpenSSL wrote; false (failure set unless it was) when the socket refused.
    bool Flush(std::optional<Failure>& failure);
    // Hands what arrived to OpenSSL; false (failure set) when the wait or the socket failed.
    bool Receive(std::optional<Failure>& failure);
    // Why the handshake failed, from the certificate check and OpenSSL's last error.
    Failure HandshakeFailure() const;
    // The certificate check's result as a failure, with the server's own certificate's validity.
    Failure CertificateFailure(long verifyResult) const;
    // OpenSSL's verification callback: lets a period error pass, noted, so the rest is still checked.
    static int NotePeriodError(int preverified, X509_STORE_CTX* store);

    SSL* m_ssl = nullptr;
    BIO* m_in = nullptr;  // owned by m_ssl
    BIO* m_out = nullptr; // owned by m_ssl
    UniqueFd m_socket;
    std::string m_host;
    SteadyTime m_deadline;
    bool m_peerClosed = false;
    unsigned long m_lastError = 0; // OpenSSL's error of the last failed call
    CertificatePeriod m_period;
    std::int64_t m_checkedAt = 0;  // the local clock when the stream was made, UTC Unix seconds
    long m_periodError = 0;        // the first period error verification let pass; 0: none
};

} // namespace brisvander
