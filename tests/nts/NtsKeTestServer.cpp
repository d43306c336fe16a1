#include "NtsKeTestServer.h"

#include "NtsKeRecords.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander::ntstest {
namespace {
constexpr int kSliceMs = 50;
constexpr auto kPatience = std::chrono::seconds(10); // no test waits this long on a working client

std::string LastOpenSslError()
{
    char text[256] = "no OpenSSL error";
    if (const unsigned long e = ERR_get_error())
        ERR_error_string_n(e, text, sizeof text);
    return text;
}

bool UseCredentials(SSL_CTX* ctx, const ServerCredentials& credentials)
{
    BIO* certBio = BIO_new_mem_buf(credentials.CertificatePem.data(), static_cast<int>(credentials.CertificatePem.size()));
    BIO* keyBio = BIO_new_mem_buf(credentials.PrivateKeyPem.data(), static_cast<int>(credentials.PrivateKeyPem.size()));
    X509* certificate = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ok = certificate != nullptr && key != nullptr && SSL_CTX_use_certificate(ctx, certificate) == 1 &&
                    SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_free(certificate);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    return ok;
}

int SelectAlpn(SSL*, const unsigned char** out, unsigned char* outLength, const unsigned char* in, unsigned inLength,
               void* arg)
{
    const auto* script = static_cast<const NtsKeServerScript*>(arg);
    std::string ours(1, static_cast<char>(script->Alpn.size()));
    ours += script->Alpn;
    unsigned char* chosen = nullptr;
    if (SSL_select_next_proto(&chosen, outLength, reinterpret_cast<const unsigned char*>(ours.data()),
                              static_cast<unsigned>(ours.size()), in, inLength) == OPENSSL_NPN_NEGOTIATED) {
        // `chosen` points into the client's list, which outlives the callback.
        *out = chosen;
        return SSL_TLSEXT_ERR_OK;
    }
    return script->RejectUnknownAlpn ? SSL_TLSEXT_ERR_ALERT_FATAL : SSL_TLSEXT_ERR_NOACK;
}

// Drains whatever the client sends until it hangs up (or the patience ends).
void WaitForHangUp(int fd, const std::atomic<bool>& stop)
{
    const auto limit = std::chrono::steady_clock::now() + kPatience;
    char sink[4096];
    while (!stop.load() && std::chrono::steady_clock::now() < limit) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) > 0 && recv(fd, sink, sizeof sink, 0) <= 0)
            return;
    }
}

Bytes ExporterKey(SSL* ssl, std::uint8_t direction)
{
    static const char kLabel[] = "EXPORTER-network-time-security";
    const unsigned char context[5] = {0x00, 0x00, 0x00, 0x0F, direction};
    Bytes key(32);
    if (SSL_export_keying_material(ssl, key.data(), key.size(), kLabel, sizeof kLabel - 1, context, sizeof context, 1) != 1)
        key.clear();
    return key;
}
} // namespace

void AppendRecord(Bytes& message, std::uint16_t type, const Bytes& body)
{
    AppendU16(message, type);
    AppendU16(message, static_cast<std::uint16_t>(body.size()));
    AppendBytes(message, body);
}

Bytes U16(std::uint16_t value)
{
    Bytes body;
    AppendU16(body, value);
    return body;
}

NtsKeTestServer::~NtsKeTestServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        close(m_listener);
}

bool NtsKeTestServer::Start(NtsKeServerScript script, std::string& whyNot)
{
    m_script = std::move(script);
    // The client may hang up before the server writes; that must not end the test binary.
    std::signal(SIGPIPE, SIG_IGN);
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 4) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        whyNot = std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno);
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
    return true;
}

const NtsKeServerLog& NtsKeTestServer::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_log;
}

Bytes NtsKeTestServer::LatestServerToClientKey() const
{
    const std::lock_guard lock(m_keyMutex);
    return m_latestKey;
}

void NtsKeTestServer::Serve()
{
    const auto limit = std::chrono::steady_clock::now() + kPatience;
    while (!Stopping() && std::chrono::steady_clock::now() < limit) {
        pollfd entry{m_listener, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++m_accepted;
        NtsKeServerLog log;
        ServeConnection(fd, log);
        close(fd);
        m_log = std::move(log);
        if (m_accepted >= m_script.Connections)
            return;
    }
    if (m_accepted == 0)
        m_log.Problem = "no connection came";
}

void NtsKeTestServer::ServeConnection(int fd, NtsKeServerLog& log)
{
    if (m_script.StallBeforeHandshake) {
        WaitForHangUp(fd, m_stop);
        return;
    }
    const timeval patience{static_cast<time_t>(kPatience.count()), 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);

    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr || !UseCredentials(ctx, m_script.Credentials)) {
        log.Problem = "server credentials unusable: " + LastOpenSslError();
        SSL_CTX_free(ctx);
        return;
    }
    if (m_script.Tls12Only)
        SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_alpn_select_cb(ctx, SelectAlpn, &m_script);
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1) {
        log.Problem = "handshake failed: " + LastOpenSslError();
    } else {
        log.HandshakeDone = true;
        if (const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name))
            log.ServerName = name;
        unsigned char buffer[4096];
        while (ParseNtsKeResponse(log.Request).Status == NtsKeParseStatus::Incomplete) {
            const int got = SSL_read(ssl, buffer, sizeof buffer);
            if (got <= 0) {
                log.Problem = "request cut short";
                break;
            }
            log.Request.insert(log.Request.end(), buffer, buffer + got);
        }
        log.ClientToServerKey = ExporterKey(ssl, 0);
        log.ServerToClientKey = ExporterKey(ssl, 1);
        {
            const std::lock_guard lock(m_keyMutex);
            m_latestKey = log.ServerToClientKey;
        }
        if (m_script.StallBeforeResponse)
            WaitForHangUp(fd, m_stop);
        else if (!m_script.Response.empty() &&
                 SSL_write(ssl, m_script.Response.data(), static_cast<int>(m_script.Response.size())) <= 0)
            log.Problem = "response not sent: " + LastOpenSslError();
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    SSL_CTX_free(ctx);
}

} // namespace brisvander::ntstest
