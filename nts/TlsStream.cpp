#include "TlsStream.h"

#include "ClockReader.h"
#include "NtsKeRecords.h"
#include "SystemTrustStore.h"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>

namespace brisvander {
namespace {
constexpr std::size_t kChunk = 16384;

bool IsIpLiteral(const std::string& host)
{
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// OpenSSL's own words for `error`; empty when it has none.
std::string OpenSslReason(unsigned long error)
{
    const char* reason = error != 0 ? ERR_reason_error_string(error) : nullptr;
    return reason != nullptr ? reason : std::string();
}

Failure Broken(FailureKind kind, int err)
{
    Failure failure = KeyExchangeFailure(kind);
    failure.SystemError = err;
    return failure;
}

Failure WithReason(FailureKind kind, unsigned long error)
{
    Failure failure = KeyExchangeFailure(kind);
    failure.Detail = OpenSslReason(error);
    return failure;
}

std::int64_t UnixSeconds(const ASN1_TIME* time)
{
    std::tm fields{};
    return time != nullptr && ASN1_TIME_to_tm(time, &fields) == 1 ? timegm(&fields) : 0;
}

FailureKind CertificateKind(long verifyResult)
{
    switch (verifyResult) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return FailureKind::NtsCertificateWrongName;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        return FailureKind::NtsCertificateUnknownIssuer;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return FailureKind::NtsCertificateExpired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return FailureKind::NtsCertificateNotYetValid;
    default:
        return FailureKind::NtsCertificateRejected;
    }
}
} // namespace

Expected<SslCtxPtr> MakeNtsKeClientContext(const std::string& extraCaFile)
{
    SslCtxPtr ctx(SSL_CTX_new(TLS_client_method()));
    if (!ctx || SSL_CTX_set_min_proto_version(ctx.get(), TLS1_3_VERSION) != 1 ||
        SSL_CTX_set_max_proto_version(ctx.get(), TLS1_3_VERSION) != 1 || !AddSystemTrustStore(ctx.get()))
        return WithReason(FailureKind::NtsTlsUnavailable, ERR_get_error());
    if (!extraCaFile.empty() && SSL_CTX_load_verify_locations(ctx.get(), extraCaFile.c_str(), nullptr) != 1) {
        Failure failure = KeyExchangeFailure(FailureKind::NtsCaFileUnreadable);
        failure.Detail = extraCaFile;
        return failure;
    }
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    return ctx;
}

TlsStream::TlsStream(SSL_CTX* ctx, UniqueFd socket, const std::string& host, SteadyTime deadline,
                     CertificatePeriod period)
    : m_socket(std::move(socket)), m_host(host), m_deadline(deadline), m_period(period),
      m_checkedAt(CurrentClockReader().ReadRealtime().tv_sec)
{
    m_ssl = SSL_new(ctx);
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    if (m_ssl == nullptr || m_in == nullptr || m_out == nullptr) {
        BIO_free(m_in);
        BIO_free(m_out);
        SSL_free(m_ssl);
        m_ssl = nullptr;
        return;
    }
    BIO_set_mem_eof_return(m_in, -1); // empty means "not yet", until the socket says otherwise
    SSL_set_bio(m_ssl, m_in, m_out);
    SSL_set_connect_state(m_ssl);
    SSL_set_app_data(m_ssl, this);
    SSL_set_verify(m_ssl, SSL_VERIFY_PEER, &TlsStream::NotePeriodError);
}

int TlsStream::NotePeriodError(int preverified, X509_STORE_CTX* store)
{
    const int error = X509_STORE_CTX_get_error(store);
    if (preverified == 1 || (error != X509_V_ERR_CERT_NOT_YET_VALID && error != X509_V_ERR_CERT_HAS_EXPIRED))
        return preverified;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* stream = ssl != nullptr ? static_cast<TlsStream*>(SSL_get_app_data(ssl)) : nullptr;
    if (stream == nullptr)
        return 0;
    if (stream->m_periodError == 0)
        stream->m_periodError = error;
    return 1;
}

TlsStream::~TlsStream() { SSL_free(m_ssl); }

std::optional<Failure> TlsStream::Handshake(std::string_view alpnProtocol)
{
    if (m_ssl == nullptr)
        return KeyExchangeFailure(FailureKind::NtsTlsNotStarted);
    X509_VERIFY_PARAM* param = SSL_get0_param(m_ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    // The same reading the failure reports, and a test's clock where one stands in.
    X509_VERIFY_PARAM_set_time(param, static_cast<time_t>(m_checkedAt));
    const bool named = IsIpLiteral(m_host) ? X509_VERIFY_PARAM_set1_ip_asc(param, m_host.c_str()) == 1
                                           : SSL_set1_host(m_ssl, m_host.c_str()) == 1 &&
                                                 SSL_set_tlsext_host_name(m_ssl, m_host.c_str()) == 1;
    std::string wire(1, static_cast<char>(alpnProtocol.size()));
    wire += alpnProtocol;
    // SSL_set_alpn_protos alone returns 0 on success.
    if (!named || SSL_set_alpn_protos(m_ssl, reinterpret_cast<const unsigned char*>(wire.data()),
                                      static_cast<unsigned>(wire.size())) != 0) {
        Failure failure = KeyExchangeFailure(FailureKind::NtsTlsParametersRefused);
        failure.Host = m_host;
        return failure;
    }

    std::optional<Failure> failure;
    while (true) {
        ERR_clear_error();
        const Step step = Pump(SSL_connect(m_ssl), failure);
        if (step == Step::Done)
            break;
        if (step != Step::Again)
            return failure ? std::move(failure) : HandshakeFailure();
    }
    if (m_periodError != 0 && m_period == CertificatePeriod::Checked)
        return CertificateFailure(m_periodError);
    const unsigned char* chosen = nullptr;
    unsigned chosenLength = 0;
    SSL_get0_alpn_selected(m_ssl, &chosen, &chosenLength);
    if (std::string_view(reinterpret_cast<const char*>(chosen), chosen ? chosenLength : 0) != alpnProtocol)
        return KeyExchangeFailure(FailureKind::NtsNoAlpn);
    return std::nullopt;
}

Failure TlsStream::CertificateFailure(long verifyResult) const
{
    Failure failure = KeyExchangeFailure(CertificateKind(verifyResult));
    failure.Code = verifyResult;
    failure.Host = m_host;
    if (failure.Kind == FailureKind::NtsCertificateRejected)
        failure.Detail = X509_verify_cert_error_string(verifyResult);
    failure.CheckedAt = m_checkedAt;
    // The peer's chain is kept even when its check failed; its first entry is the server's own.
    const STACK_OF(X509)* chain = SSL_get_peer_cert_chain(m_ssl);
    if (const X509* leaf = chain != nullptr && sk_X509_num(chain) > 0 ? sk_X509_value(chain, 0) : nullptr) {
        failure.NotBefore = UnixSeconds(X509_get0_notBefore(leaf));
        failure.NotAfter = UnixSeconds(X509_get0_notAfter(leaf));
    }
    return failure;
}

Failure TlsStream::HandshakeFailure() const
{
    const long verify = SSL_get_verify_result(m_ssl);
    if (verify != X509_V_OK)
        return CertificateFailure(verify);
    switch (ERR_GET_REASON(m_lastError)) {
    case SSL_R_TLSV1_ALERT_NO_APPLICATION_PROTOCOL:
        return KeyExchangeFailure(FailureKind::NtsNoAlpn);
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_UNSUPPORTED_PROTOCOL:
        return KeyExchangeFailure(FailureKind::NtsNoTls13);
    default:
        break;
    }
    if (m_peerClosed)
        return KeyExchangeFailure(FailureKind::NtsClosedInHandshake);
    return WithReason(FailureKind::NtsHandshakeFailed, m_lastError);
}

TlsStream::Step TlsStream::Pump(int sslResult, std::optional<Failure>& failure)
{
    const int error = sslResult > 0 ? SSL_ERROR_NONE : SSL_get_error(m_ssl, sslResult);
    if (error == SSL_ERROR_SSL || error == SSL_ERROR_SYSCALL)
        m_lastError = ERR_peek_last_error();
    // What OpenSSL wrote goes out first, alerts included: the server learns why we stop.
    const bool flushed = Flush(failure);
    switch (error) {
    case SSL_ERROR_NONE:
        return flushed ? Step::Done : Step::Failed;
    case SSL_ERROR_WANT_READ:
        if (!flushed)
            return Step::Failed;
        if (m_peerClosed)
            return Step::Closed;
        return Receive(failure) ? Step::Again : Step::Failed;
    case SSL_ERROR_WANT_WRITE:
        return flushed ? Step::Again : Step::Failed;
    case SSL_ERROR_ZERO_RETURN:
        return Step::Closed;
    default:
        // An end of stream without close_notify reaches OpenSSL as an error.
        return m_peerClosed ? Step::Closed : Step::Failed;
    }
}

bool TlsStream::Flush(std::optional<Failure>& failure)
{
    unsigned char buffer[kChunk];
    while (BIO_ctrl_pending(m_out) > 0) {
        const int taken = BIO_read(m_out, buffer, sizeof buffer);
        if (taken <= 0)
            return true;
        for (int sent = 0; sent < taken;) {
            const ssize_t n = send(m_socket.Get(), buffer + sent, static_cast<std::size_t>(taken - sent), MSG_NOSIGNAL);
            if (n >= 0) {
                sent += static_cast<int>(n);
                continue;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                if (!failure)
                    failure = Broken(FailureKind::NtsConnectionBroken, errno);
                return false;
            }
            const WaitResult waited = WaitFor(m_socket.Get(), POLLOUT, m_deadline);
            if (waited != WaitResult::Ready) {
                if (!failure)
                    failure = waited == WaitResult::TimedOut ? KeyExchangeFailure(FailureKind::NtsTimedOut)
                                                          : Broken(FailureKind::NtsWaitFailed, errno);
                return false;
            }
        }
    }
    return true;
}

bool TlsStream::Receive(std::optional<Failure>& failure)
{
    const WaitResult waited = WaitFor(m_socket.Get(), POLLIN, m_deadline);
    if (waited != WaitResult::Ready) {
        failure = waited == WaitResult::TimedOut ? KeyExchangeFailure(FailureKind::NtsTimedOut)
                                                          : Broken(FailureKind::NtsWaitFailed, errno);
        return false;
    }
    unsigned char buffer[kChunk];
    const ssize_t n = recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (n > 0) {
        BIO_write(m_in, buffer, static_cast<int>(n));
        return true;
    }
    if (n == 0 || errno == ECONNRESET) {
        m_peerClosed = true;
        BIO_set_mem_eof_return(m_in, 0); // now OpenSSL sees the end of the stream
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return true;
    failure = Broken(FailureKind::NtsConnectionBroken, errno);
    return false;
}

std::optional<Failure> TlsStream::WriteAll(ByteView data)
{
    std::optional<Failure> failure;
    for (std::size_t done = 0; done < data.size();) {
        ERR_clear_error();
        std::size_t written = 0;
        const int result = SSL_write_ex(m_ssl, data.data() + done, data.size() - done, &written);
        const Step step = Pump(result, failure);
        if (step == Step::Done)
            done += written;
        else if (step != Step::Again)
            return failure ? std::move(failure) : KeyExchangeFailure(FailureKind::NtsServerHungUp);
    }
    return std::nullopt;
}

std::optional<Failure> TlsStream::ReadSome(Bytes& out, bool& closed)
{
    closed = false;
    std::optional<Failure> failure;
    unsigned char buffer[kChunk];
    while (true) {
        ERR_clear_error();
        std::size_t got = 0;
        const int result = SSL_read_ex(m_ssl, buffer, sizeof buffer, &got);
        const Step step = Pump(result, failure);
        if (step == Step::Done) {
            out.insert(out.end(), buffer, buffer + got);
            return std::nullopt;
        }
        if (step == Step::Closed) {
            closed = true;
            return std::nullopt;
        }
        if (step == Step::Failed)
            return failure ? std::move(failure) : WithReason(FailureKind::NtsTlsFailed, m_lastError);
    }
}

std::optional<Bytes> TlsStream::ExportKey(std::string_view label, ByteView context, std::size_t length)
{
    Bytes key(length);
    if (SSL_export_keying_material(m_ssl, key.data(), key.size(), label.data(), label.size(), context.data(),
                                   context.size(), 1) != 1)
        return std::nullopt;
    return key;
}

void TlsStream::Close()
{
    if (m_ssl == nullptr || m_peerClosed)
        return;
    ERR_clear_error();
    SSL_shutdown(m_ssl);
    std::optional<Failure> ignored;
    Flush(ignored);
}

} // namespace brisvander
