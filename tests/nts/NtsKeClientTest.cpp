// The key exchange client against a scripted TLS server on 127.0.0.1 with
// certificates made for this run.
#include "LocalNameLookup.h"
#include "NtsKeClient.h"
#include "NtsKeTestServer.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>

using namespace brisvander;
using namespace brisvander::ntstest;

namespace {
constexpr std::uint16_t kCritical = 0x8000;
using Clock = std::chrono::steady_clock;

Bytes CookieOf(int i) { return Bytes(64 + i, static_cast<std::uint8_t>(i)); }

Bytes Response(bool withAead = true, int cookies = 8)
{
    Bytes m;
    AppendRecord(m, kCritical | 1, U16(0));
    if (withAead)
        AppendRecord(m, 4, U16(15));
    for (int i = 0; i < cookies; ++i)
        AppendRecord(m, 5, CookieOf(i));
    AppendRecord(m, kCritical | 0, {});
    return m;
}

class NtsKeClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::KeepNameLookupsLocal(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_authority.Valid());
        ASSERT_FALSE(m_directory.Path().empty());
        m_caFile = m_directory.Write("ca.pem", m_authority.CertificatePem());
        m_localhost = m_authority.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
        ASSERT_FALSE(m_localhost.CertificatePem.empty());
    }

    NtsKeServerScript Script(Bytes response = Response()) const
    {
        NtsKeServerScript script;
        script.Credentials = m_localhost;
        script.Response = std::move(response);
        return script;
    }

    // Runs the client against a server following `script`.
    NtsKeResult Exchange(NtsKeServerScript script, const std::string& host = "localhost",
                         std::chrono::milliseconds limit = NtsKeTimeout)
    {
        std::string whyNot;
        EXPECT_TRUE(m_server.Start(std::move(script), whyNot)) << whyNot;
        NtsKeOptions options;
        options.Host = host;
        options.Port = static_cast<std::uint16_t>(m_server.Port());
        options.ExtraCaFile = m_caFile;
        options.Deadline = Clock::now() + limit;
        return RunNtsKeyExchange(options);
    }

    void ExpectFailure(const NtsKeResult& result, NtsKeFailureKind kind, const std::string& reasonPart)
    {
        ASSERT_FALSE(result.Ok());
        EXPECT_EQ(result.Failure.Kind, kind) << result.Failure.Reason;
        EXPECT_NE(result.Failure.Reason.find(reasonPart), std::string::npos) << result.Failure.Reason;
    }

    TestAuthority m_authority{"Brisvander Test CA"};
    TempDirectory m_directory;
    std::string m_caFile;
    ServerCredentials m_localhost;
    NtsKeTestServer m_server;
};
} // namespace

TEST_F(NtsKeClientTest, SuccessGivesTheServersKeysCookiesAndNegotiation)
{
    Bytes response;
    AppendRecord(response, kCritical | 1, U16(0));
    AppendRecord(response, kCritical | 4, U16(15));
    AppendRecord(response, 6, Bytes{'1', '2', '7', '.', '0', '.', '0', '.', '1'});
    AppendRecord(response, kCritical | 7, U16(11123));
    for (int i = 0; i < 8; ++i)
        AppendRecord(response, 5, CookieOf(i));
    AppendRecord(response, kCritical | 0, {});
    const NtsKeResult result = Exchange(Script(response));
    const NtsKeServerLog& log = m_server.Finish();
    ASSERT_TRUE(result.Ok()) << result.Failure.Reason << " / server: " << log.Problem;

    const NtsSession& s = *result.Session;
    ASSERT_EQ(log.ClientToServerKey.size(), 32u);
    EXPECT_EQ(ToHex(s.ClientToServerKey), ToHex(log.ClientToServerKey));
    EXPECT_EQ(ToHex(s.ServerToClientKey), ToHex(log.ServerToClientKey));
    EXPECT_NE(s.ClientToServerKey, s.ServerToClientKey);
    ASSERT_EQ(s.Cookies.size(), 8u);
    EXPECT_EQ(s.Cookies[7], CookieOf(7));
    EXPECT_EQ(s.NtpServer, "127.0.0.1");
    EXPECT_EQ(s.NtpPort, 11123);
    EXPECT_EQ(ToHex(log.Request), "80010002000080040002000f80000000");
    EXPECT_EQ(log.ServerName, "localhost");
}

TEST_F(NtsKeClientTest, AddressLiteralIsCheckedAgainstTheCertificatesAddress)
{
    const NtsKeResult result = Exchange(Script(), "127.0.0.1");
    const NtsKeServerLog& log = m_server.Finish();
    ASSERT_TRUE(result.Ok()) << result.Failure.Reason;
    EXPECT_TRUE(log.ServerName.empty()) << "no server name indication for an address";
    EXPECT_TRUE(result.Session->NtpServer.empty());
    EXPECT_EQ(result.Session->NtpPort, 0);
}

TEST_F(NtsKeClientTest, ServerWithoutNtsAlpnIsRefused)
{
    NtsKeServerScript quiet = Script();
    quiet.Alpn = "http/1.1";
    ExpectFailure(Exchange(quiet), NtsKeFailureKind::Alpn, "Server unterstützt kein NTS (ALPN)");
}

TEST_F(NtsKeClientTest, ServerRejectingOurAlpnIsRefused)
{
    NtsKeServerScript rejecting = Script();
    rejecting.Alpn = "http/1.1";
    rejecting.RejectUnknownAlpn = true;
    ExpectFailure(Exchange(rejecting), NtsKeFailureKind::Alpn, "ALPN");
}

TEST_F(NtsKeClientTest, Tls12OnlyServerIsRefused)
{
    NtsKeServerScript old = Script();
    old.Tls12Only = true;
    ExpectFailure(Exchange(old), NtsKeFailureKind::Tls, "TLS 1.3");
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, ResponsesThatGiveNoSessionAreRefused)
{
    Bytes error;
    AppendRecord(error, kCritical | 2, U16(2));
    AppendRecord(error, kCritical | 0, {});
    ExpectFailure(Exchange(Script(error)), NtsKeFailureKind::ServerError,
                  "Fehler-Record vom Server: 2 (interner Fehler des Servers)");
}

TEST_F(NtsKeClientTest, ResponseWithoutAeadIsRefused)
{
    ExpectFailure(Exchange(Script(Response(false))), NtsKeFailureKind::BadResponse, "AEAD");
}

TEST_F(NtsKeClientTest, ResponseWithoutCookieIsRefused)
{
    ExpectFailure(Exchange(Script(Response(true, 0))), NtsKeFailureKind::NoCookie, "keine Cookies erhalten");
}

TEST_F(NtsKeClientTest, RecordRunningPastTheEndOfTheResponseIsRefused)
{
    Bytes cut;
    AppendRecord(cut, kCritical | 1, U16(0));
    AppendRecord(cut, 4, U16(15));
    AppendU16(cut, 5);
    AppendU16(cut, 100); // 100 bytes announced, 10 sent, then the server closes
    cut.resize(cut.size() + 10, 0x77);
    ExpectFailure(Exchange(Script(cut)), NtsKeFailureKind::BadResponse, "unvollständig");
}

TEST_F(NtsKeClientTest, OversizedRecordIsRefusedAtOnce)
{
    Bytes big;
    AppendRecord(big, kCritical | 1, U16(0));
    AppendU16(big, 5);
    AppendU16(big, 4000);
    big.resize(big.size() + 4000, 0x77);
    ExpectFailure(Exchange(Script(big)), NtsKeFailureKind::BadResponse, "länger als 256");
}

TEST_F(NtsKeClientTest, HandshakeThatNeverEndsStopsAtTheDeadline)
{
    NtsKeServerScript silent = Script();
    silent.StallBeforeHandshake = true;
    const auto start = Clock::now();
    ExpectFailure(Exchange(silent, "localhost", std::chrono::milliseconds(700)), NtsKeFailureKind::Timeout,
                  "Zeitüberschreitung beim Schlüsselaustausch");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4)); // loose: only "not stuck"
}

TEST_F(NtsKeClientTest, ResponseThatNeverComesStopsAtTheDeadline)
{
    NtsKeServerScript silent = Script();
    silent.StallBeforeResponse = true;
    const auto start = Clock::now();
    ExpectFailure(Exchange(silent, "localhost", std::chrono::milliseconds(700)), NtsKeFailureKind::Timeout,
                  "Zeitüberschreitung");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, CertificateForAnotherNameIsRefused)
{
    NtsKeServerScript elsewhere = Script();
    elsewhere.Credentials = m_authority.Issue("time.example", {"DNS:time.example", "IP:192.0.2.1"});
    ExpectFailure(Exchange(elsewhere), NtsKeFailureKind::Certificate,
                  "Zertifikat des Servers nicht vertrauenswürdig: ausgestellt für einen anderen Namen als localhost");
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, AddressNotInTheCertificateIsRefused)
{
    NtsKeServerScript nameOnly = Script();
    nameOnly.Credentials = m_authority.Issue("localhost", {"DNS:localhost"});
    ExpectFailure(Exchange(nameOnly, "127.0.0.1"), NtsKeFailureKind::Certificate, "anderen Namen als 127.0.0.1");
}

TEST_F(NtsKeClientTest, CertificateFromAnUnknownAuthorityIsRefused)
{
    const TestAuthority stranger("Somebody Else");
    NtsKeServerScript untrusted = Script();
    untrusted.Credentials = stranger.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
    ExpectFailure(Exchange(untrusted), NtsKeFailureKind::Certificate, "unbekannte Zertifizierungsstelle");
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, WithoutTheExtraAuthorityTheTestServerIsNotTrusted)
{
    std::string whyNot;
    ASSERT_TRUE(m_server.Start(Script(), whyNot)) << whyNot;
    NtsKeOptions options;
    options.Host = "localhost";
    options.Port = static_cast<std::uint16_t>(m_server.Port());
    options.Deadline = Clock::now() + NtsKeTimeout;
    const NtsKeResult result = RunNtsKeyExchange(options);
    ExpectFailure(result, NtsKeFailureKind::Certificate, "nicht vertrauenswürdig");
}

TEST_F(NtsKeClientTest, TheAuthoritiesNamedBySslCertFileAreTrusted)
{
    // As OpenSSL's own default does: SSL_CERT_FILE and SSL_CERT_DIR name the system's store.
    const std::string bundle = m_directory.Write("bundle.pem", m_authority.CertificatePem());
    const TempDirectory emptyDirectory;
    const char* names[] = {"SSL_CERT_FILE", "SSL_CERT_DIR"};
    std::optional<std::string> saved[2];
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    setenv("SSL_CERT_FILE", bundle.c_str(), 1);
    setenv("SSL_CERT_DIR", emptyDirectory.Path().c_str(), 1);

    std::string whyNot;
    const bool started = m_server.Start(Script(), whyNot);
    NtsKeOptions options;
    options.Host = "localhost";
    options.Port = static_cast<std::uint16_t>(m_server.Port());
    options.Deadline = Clock::now() + NtsKeTimeout;
    const NtsKeResult result = started ? RunNtsKeyExchange(options) : NtsKeResult{};
    for (int i = 0; i < 2; ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);

    ASSERT_TRUE(started) << whyNot;
    EXPECT_TRUE(result.Ok()) << result.Failure.Reason;
}

TEST(NtsKeClientLocal, ClosedPortUnknownNameAndMissingCaFileAreReported)
{
    testsupport::KeepNameLookupsLocal();
    NtsKeOptions options;
    options.Host = "127.0.0.1";
    options.Port = 1; // tcpmux: nothing listens there on a test machine
    options.Deadline = Clock::now() + NtsKeTimeout;
    NtsKeResult r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Failure.Kind, NtsKeFailureKind::Connect) << r.Failure.Reason;
    EXPECT_EQ(r.Failure.Reason, "keine Verbindung zu 127.0.0.1 Port 1: Verbindung abgelehnt");

    options.Host = "no-such-host.invalid";
    r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Failure.Kind, NtsKeFailureKind::NameLookup) << r.Failure.Reason;

    options.Host = "127.0.0.1";
    options.ExtraCaFile = "/nonexistent/ca.pem";
    r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Failure.Kind, NtsKeFailureKind::Internal) << r.Failure.Reason;
}
