// The key exchange client against a scripted TLS server on 127.0.0.1 with
// certificates made for this run.
#include "FailureText.h"
#include "LocalNameLookup.h"
#include "NtsKeClient.h"
#include "NtsKeTestServer.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
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
    Expected<NtsSession> Exchange(NtsKeServerScript script, const std::string& host = "localhost",
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

    // The failure, which must be the key exchange's and of `kind`; its words are FailureText's.
    static Failure ExpectFailure(const Expected<NtsSession>& result, FailureKind kind)
    {
        EXPECT_FALSE(result.Ok());
        if (result.Ok())
            return {};
        EXPECT_EQ(result.Error().Number, ErrorCode::KeyExchangeFailed);
        EXPECT_EQ(result.Error().Kind, kind) << FailureText(result.Error());
        return result.Error();
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
    const Expected<NtsSession> result = Exchange(Script(response));
    const NtsKeServerLog& log = m_server.Finish();
    ASSERT_TRUE(result.Ok()) << FailureText(result.Error()) << " / server: " << log.Problem;

    const NtsSession& s = result.Value();
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
    const Expected<NtsSession> result = Exchange(Script(), "127.0.0.1");
    const NtsKeServerLog& log = m_server.Finish();
    ASSERT_TRUE(result.Ok()) << FailureText(result.Error());
    EXPECT_TRUE(log.ServerName.empty()) << "no server name indication for an address";
    EXPECT_TRUE(result.Value().NtpServer.empty());
    EXPECT_EQ(result.Value().NtpPort, 0);
}

TEST_F(NtsKeClientTest, ServerWithoutNtsAlpnIsRefused)
{
    NtsKeServerScript quiet = Script();
    quiet.Alpn = "http/1.1";
    ExpectFailure(Exchange(quiet), FailureKind::NtsNoAlpn);
}

TEST_F(NtsKeClientTest, ServerRejectingOurAlpnIsRefused)
{
    NtsKeServerScript rejecting = Script();
    rejecting.Alpn = "http/1.1";
    rejecting.RejectUnknownAlpn = true;
    ExpectFailure(Exchange(rejecting), FailureKind::NtsNoAlpn);
}

TEST_F(NtsKeClientTest, Tls12OnlyServerIsRefused)
{
    NtsKeServerScript old = Script();
    old.Tls12Only = true;
    ExpectFailure(Exchange(old), FailureKind::NtsNoTls13);
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, ResponsesThatGiveNoSessionAreRefused)
{
    Bytes error;
    AppendRecord(error, kCritical | 2, U16(2));
    AppendRecord(error, kCritical | 0, {});
    EXPECT_EQ(ExpectFailure(Exchange(Script(error)), FailureKind::NtsServerErrorRecord).Code, 2);
}

TEST_F(NtsKeClientTest, ResponseWithoutAeadIsRefused)
{
    ExpectFailure(Exchange(Script(Response(false))), FailureKind::NtsNoAeadChoice);
}

TEST_F(NtsKeClientTest, ResponseWithoutCookieIsRefused)
{
    ExpectFailure(Exchange(Script(Response(true, 0))), FailureKind::NtsNoCookieReceived);
}

TEST_F(NtsKeClientTest, RecordRunningPastTheEndOfTheResponseIsRefused)
{
    Bytes cut;
    AppendRecord(cut, kCritical | 1, U16(0));
    AppendRecord(cut, 4, U16(15));
    AppendU16(cut, 5);
    AppendU16(cut, 100); // 100 bytes announced, 10 sent, then the server closes
    cut.resize(cut.size() + 10, 0x77);
    ExpectFailure(Exchange(Script(cut)), FailureKind::NtsResponseIncomplete);
}

TEST_F(NtsKeClientTest, OversizedRecordIsRefusedAtOnce)
{
    Bytes big;
    AppendRecord(big, kCritical | 1, U16(0));
    AppendU16(big, 5);
    AppendU16(big, 4000);
    big.resize(big.size() + 4000, 0x77);
    const Failure tooLong = ExpectFailure(Exchange(Script(big)), FailureKind::NtsResponseMalformed);
    EXPECT_EQ(tooLong.Cause, FailureKind::NtsRecordTooLong);
    EXPECT_EQ(tooLong.Code, 5);
    EXPECT_EQ(tooLong.Length, 256u);
}

TEST_F(NtsKeClientTest, HandshakeThatNeverEndsStopsAtTheDeadline)
{
    NtsKeServerScript silent = Script();
    silent.StallBeforeHandshake = true;
    const auto start = Clock::now();
    ExpectFailure(Exchange(silent, "localhost", std::chrono::milliseconds(700)), FailureKind::NtsTimedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4)); // loose: only "not stuck"
}

TEST_F(NtsKeClientTest, ResponseThatNeverComesStopsAtTheDeadline)
{
    NtsKeServerScript silent = Script();
    silent.StallBeforeResponse = true;
    const auto start = Clock::now();
    ExpectFailure(Exchange(silent, "localhost", std::chrono::milliseconds(700)), FailureKind::NtsTimedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, CertificateForAnotherNameIsRefused)
{
    NtsKeServerScript elsewhere = Script();
    elsewhere.Credentials = m_authority.Issue("time.example", {"DNS:time.example", "IP:192.0.2.1"});
    EXPECT_EQ(ExpectFailure(Exchange(elsewhere), FailureKind::NtsCertificateWrongName).Host, "localhost");
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, AddressNotInTheCertificateIsRefused)
{
    NtsKeServerScript nameOnly = Script();
    nameOnly.Credentials = m_authority.Issue("localhost", {"DNS:localhost"});
    EXPECT_EQ(ExpectFailure(Exchange(nameOnly, "127.0.0.1"), FailureKind::NtsCertificateWrongName).Host,
              "127.0.0.1");
}

TEST_F(NtsKeClientTest, CertificateFromAnUnknownAuthorityIsRefused)
{
    const TestAuthority stranger("Somebody Else");
    NtsKeServerScript untrusted = Script();
    untrusted.Credentials = stranger.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
    ExpectFailure(Exchange(untrusted), FailureKind::NtsCertificateUnknownIssuer);
    EXPECT_FALSE(m_server.Finish().HandshakeDone);
}

TEST_F(NtsKeClientTest, AnExpiredCertificateIsRefusedWithItsValidityAndTheClocksReading)
{
    NtsKeServerScript expired = Script();
    expired.Credentials = m_authority.Issue("localhost", {"DNS:localhost"}, Validity{-2 * 86400, -86400});
    const std::int64_t now = std::time(nullptr);
    const Failure failure = ExpectFailure(Exchange(expired), FailureKind::NtsCertificateExpired);
    EXPECT_NEAR(static_cast<double>(failure.NotBefore), static_cast<double>(now - 2 * 86400), 60.0);
    EXPECT_NEAR(static_cast<double>(failure.NotAfter), static_cast<double>(now - 86400), 60.0);
    EXPECT_NEAR(static_cast<double>(failure.CheckedAt), static_cast<double>(now), 60.0);
}

// Ignoring the period takes nothing else away: a certificate that starts
// tomorrow passes, but not one for another name or from an unknown authority.
TEST_F(NtsKeClientTest, IgnoringTheCertificatesPeriodStillChecksChainAndName)
{
    const auto exchange = [this](const ServerCredentials& credentials, bool ignorePeriod) {
        NtsKeTestServer server;
        std::string whyNot;
        NtsKeServerScript script = Script();
        script.Credentials = credentials;
        EXPECT_TRUE(server.Start(std::move(script), whyNot)) << whyNot;
        NtsKeOptions options;
        options.Host = "localhost";
        options.Port = static_cast<std::uint16_t>(server.Port());
        options.ExtraCaFile = m_caFile;
        options.IgnoreCertificatePeriod = ignorePeriod;
        options.Deadline = Clock::now() + NtsKeTimeout;
        return RunNtsKeyExchange(options);
    };
    const Validity tomorrow{86400, 2 * 86400};
    const ServerCredentials early = m_authority.Issue("localhost", {"DNS:localhost"}, tomorrow);
    ExpectFailure(exchange(early, false), FailureKind::NtsCertificateNotYetValid);
    const Expected<NtsSession> accepted = exchange(early, true);
    ASSERT_TRUE(accepted.Ok()) << FailureText(accepted.Error());
    EXPECT_EQ(accepted.Value().Cookies.size(), 8u);

    ExpectFailure(exchange(m_authority.Issue("elsewhere", {"DNS:elsewhere"}, tomorrow), true),
                  FailureKind::NtsCertificateWrongName);
    const TestAuthority stranger("Somebody Else");
    ExpectFailure(exchange(stranger.Issue("localhost", {"DNS:localhost"}, tomorrow), true),
                  FailureKind::NtsCertificateUnknownIssuer);
}

TEST_F(NtsKeClientTest, WithoutTheExtraAuthorityTheTestServerIsNotTrusted)
{
    std::string whyNot;
    ASSERT_TRUE(m_server.Start(Script(), whyNot)) << whyNot;
    NtsKeOptions options;
    options.Host = "localhost";
    options.Port = static_cast<std::uint16_t>(m_server.Port());
    options.Deadline = Clock::now() + NtsKeTimeout;
    ExpectFailure(RunNtsKeyExchange(options), FailureKind::NtsCertificateUnknownIssuer);
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
    const Expected<NtsSession> result =
        started ? RunNtsKeyExchange(options) : KeyExchangeFailure(FailureKind::NtsNoConnection);
    for (int i = 0; i < 2; ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);

    ASSERT_TRUE(started) << whyNot;
    EXPECT_TRUE(result.Ok()) << FailureText(result.Error());
}

TEST(NtsKeClientLocal, ClosedPortUnknownNameAndMissingCaFileAreReported)
{
    testsupport::KeepNameLookupsLocal();
    NtsKeOptions options;
    options.Host = "127.0.0.1";
    options.Port = 1; // tcpmux: nothing listens there on a test machine
    options.Deadline = Clock::now() + NtsKeTimeout;
    Expected<NtsSession> r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Error().Kind, FailureKind::NtsNoConnection) << FailureText(r.Error());
    EXPECT_EQ(r.Error().Host, "127.0.0.1");
    EXPECT_EQ(r.Error().Port, 1);
    EXPECT_EQ(r.Error().SystemError, ECONNREFUSED);

    options.Host = "no-such-host.invalid";
    r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Error().Kind, FailureKind::NtsNameNotFound) << FailureText(r.Error());
    EXPECT_EQ(r.Error().Host, "no-such-host.invalid");

    options.Host = "127.0.0.1";
    options.ExtraCaFile = "/nonexistent/ca.pem";
    r = RunNtsKeyExchange(options);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(r.Error().Kind, FailureKind::NtsCaFileUnreadable) << FailureText(r.Error());
    EXPECT_EQ(r.Error().Detail, "/nonexistent/ca.pem");
}
