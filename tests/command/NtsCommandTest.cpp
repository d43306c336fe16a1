// Info with NTS through the command layer, against a scripted key exchange
// server and an NTS server of the test's own: kept sessions taken and put
// back, NAKs, placeholders over a series, a series out of cookies, the
// certificate's period against the local clock, and NTS where offered.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "FailureText.h"
#include "LocalNameLookup.h"
#include "NtsKeTestServer.h"
#include "NtsReplies.h"
#include "NtsSessionStore.h"
#include "NtsTrustIdentity.h"
#include "RecordingClockControl.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {
using Datagrams = std::vector<FakeSntpServer::Datagram>;
constexpr int kNothingListens = 1; // tcpmux: nothing listens there on a test machine
// A cookie's first byte says whose keys seal its replies: sessions the test
// stores itself, or the key exchange server's latest.
constexpr std::uint8_t kStoredMark = 0xA0;
constexpr std::uint8_t kKeyExchangeMark = 0x10;
const Bytes kStoredServerKey(32, 0x5C);

Bytes Cookie(std::uint8_t mark, std::uint32_t number)
{
    Bytes cookie(64, mark);
    for (int i = 0; i < 4; ++i)
        cookie[1 + i] = static_cast<std::uint8_t>(number >> (8 * i));
    return cookie;
}

class NtsCommand : public ::testing::Test {
protected:
    enum class Reply { Authentic, Nak, NakThenAuthentic };

    static void SetUpTestSuite() { KeepNameLookupsLocal(); }

    void SetUp() override
    {
        ASSERT_NE(m_ntp.Port(), 0);
        m_caFile = m_files.Write("ca.pem", m_authority.CertificatePem());
        m_trust = CaFileTrustIdentity(m_caFile).value_or("");
        m_store = m_files.Path() + "/state/nts";
        Answer(Reply::Authentic);
    }

    // Every cookie a run was given once went out once at most. (The key
    // exchange server gives the same ones at each connection: those are left out.)
    void TearDown() override
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_cookiesSent, [](const Bytes& cookie) { return cookie[0] == kKeyExchangeMark; });
        EXPECT_EQ(std::set<Bytes>(m_cookiesSent.begin(), m_cookiesSent.end()).size(), m_cookiesSent.size())
            << "a cookie was sent twice";
    }

    // Every NTS request is answered so, but the first `lost` get nothing; a plain one gets a plain reply.
    void Answer(Reply how, int lost = 0)
    {
        m_ntp.SetScript([this, how, lost = std::make_shared<std::atomic<int>>(lost)](const FakeReplyContext& ctx) {
            const Bytes cookie = FirstFieldOfType(ctx, NtpExtensionType::NtsCookie);
            if (cookie.empty())
                return Datagrams{{FakeSntpServer::MakeReply(ctx, 0.0), 0}};
            const std::lock_guard lock(m_mutex);
            m_cookiesSent.push_back(cookie);
            if (lost->fetch_sub(1) > 0)
                return Datagrams{};
            const Bytes key = cookie[0] == kStoredMark ? kStoredServerKey : m_keyExchange->LatestServerToClientKey();
            const Bytes authentic = AuthenticReply(ctx, key, [&] { return Cookie(cookie[0], ++m_cookiesMade); });
            switch (how) {
            case Reply::Nak: return Datagrams{{NakReply(ctx), 0}};
            case Reply::NakThenAuthentic: return Datagrams{{NakReply(ctx), 0}, {authentic, 50}};
            case Reply::Authentic: break;
            }
            return Datagrams{{authentic, 0}};
        });
    }

    // A key exchange server that gives `cookies` cookies and names the test's NTP server, `connections` times.
    void StartKeyExchange(int cookies, int connections = 1, Validity validity = {},
                          const TestAuthority* issuer = nullptr)
    {
        NtsKeServerScript script;
        script.Credentials = (issuer ? *issuer : m_authority).Issue("localhost", {"IP:127.0.0.1"}, validity);
        script.Connections = connections;
        AppendRecord(script.Response, 0x8001, U16(0));
        AppendRecord(script.Response, 4, U16(15));
        for (int i = 0; i < cookies; ++i)
            AppendRecord(script.Response, 5, Cookie(kKeyExchangeMark, 1000 * static_cast<std::uint32_t>(connections) + i));
        AppendRecord(script.Response, 6, Bytes{'1', '2', '7', '.', '0', '.', '0', '.', '1'});
        AppendRecord(script.Response, 7, U16(static_cast<std::uint16_t>(m_ntp.Port())));
        AppendRecord(script.Response, 0x8000, {});
        m_keyExchange = std::make_unique<NtsKeTestServer>();
        std::string whyNot;
        ASSERT_TRUE(m_keyExchange->Start(std::move(script), whyNot)) << whyNot;
    }

    int KeyExchangePort() const { return m_keyExchange ? m_keyExchange->Port() : kNothingListens; }
    int KeyExchanges() const { return m_keyExchange ? m_keyExchange->ConnectionsAccepted() : 0; }

    // A session with the test's own keys, as an earlier run would have kept it.
    void Store(std::uint32_t cookies, const std::string& trust)
    {
        NtsSession session{Bytes(32, 0xC2), kStoredServerKey, {}, "127.0.0.1",
                           static_cast<std::uint16_t>(m_ntp.Port())};
        for (std::uint32_t i = 0; i < cookies; ++i)
            session.Cookies.push_back(Cookie(kStoredMark, 500 + i));
        ASSERT_EQ(NtsSessionStore(m_store).Put("127.0.0.1", static_cast<std::uint16_t>(KeyExchangePort()), trust,
                                               session, std::time(nullptr)),
                  std::nullopt);
    }

    // Takes what the store holds for the server under `trust` (and so empties it).
    NtsTakeResult Kept(const std::string& trust) const
    {
        return NtsSessionStore(m_store).Take("127.0.0.1", static_cast<std::uint16_t>(KeyExchangePort()), trust,
                                             std::time(nullptr));
    }

    TimeCommandOutcome Info(int samples = 1, bool ignorePeriod = false, bool whenOffered = false)
    {
        RecordingClockControl clock;
        SntpClient client(clock);
        client.TimeoutMs = 300;
        TimeCommandOptions options;
        options.Series.Count = samples;
        options.Pause = [](std::chrono::milliseconds) {};
        options.Nts.Enabled = true;
        options.Nts.FallBackToPlain = whenOffered;
        options.Nts.KeyExchangePort = static_cast<std::uint16_t>(KeyExchangePort());
        options.Nts.ExtraCaFile = m_caFile;
        options.Nts.IgnoreCertificatePeriod = ignorePeriod;
        options.Nts.StoreFolder = m_store;
        return RunTimeCommand(ReportCommand::Info, "127.0.0.1", m_ntp.Port(), client, options);
    }

    FakeSntpServer m_ntp;
    TestAuthority m_authority{"Brisvander Test CA"};
    TempDirectory m_files;
    std::string m_caFile;
    std::string m_trust;
    std::string m_store;
    std::unique_ptr<NtsKeTestServer> m_keyExchange;
    std::mutex m_mutex;
    std::vector<Bytes> m_cookiesSent; // under m_mutex
    std::uint32_t m_cookiesMade = 0;  // under m_mutex
};

TEST_F(NtsCommand, AKeyExchangeThatFindsNoNtsSaysTheServerMayLackItAndThatNtsIsOn)
{
    const TimeCommandOutcome outcome = Info();
    const std::string reason = "keine Verbindung zu 127.0.0.1 Port 1: Verbindung abgelehnt";
    EXPECT_EQ(outcome.NtsFailure, reason) << "the bare reason, for JSON";
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 20004)\n" + reason +
                                         ". Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet "
                                         "(„Authentifizierte Zeit (NTS) immer“, --nts).\n\nOK."))
        << outcome.Report;
}

// A server without NTS refuses the connection, the TLS version or "ntske/1",
// offers neither NTPv4 nor AES-SIV, or never answers; the rest says nothing
// about NTS (a name, trust, the server's own error, a broken response). Only
// the three a server without NTS shows plainly let "when offered" ask without it.
TEST(NtsCommandKinds, WhichKeyExchangeFailuresHintThatTheServerLacksNtsAndWhichFallBack)
{
    using Kind = FailureKind;
    for (const Kind kind : {Kind::NtsNoConnection, Kind::NtsConnectionBroken, Kind::NtsWaitFailed,
                            Kind::NtsServerHungUp, Kind::NtsTimedOut, Kind::NtsNoTls13, Kind::NtsClosedInHandshake,
                            Kind::NtsHandshakeFailed, Kind::NtsTlsFailed, Kind::NtsNoAlpn, Kind::NtsNoNtpV4,
                            Kind::NtsNoAesSiv})
        EXPECT_TRUE(ServerMayLackNts(kind)) << static_cast<int>(kind);
    for (const Kind kind : {Kind::NtsNameNotFound, Kind::NtsNameLookupFailed, Kind::NtsTlsUnavailable,
                            Kind::NtsCaFileUnreadable, Kind::NtsCertificateWrongName,
                            Kind::NtsCertificateUnknownIssuer, Kind::NtsServerErrorRecord,
                            Kind::NtsServerWarningRecord, Kind::NtsResponseMalformed, Kind::NtsResponseIncomplete,
                            Kind::NtsNoProtocolChoice, Kind::NtsNoAeadChoice, Kind::NtsNoCookieReceived,
                            Kind::NtsKeysNotExported, Kind::NtsCookiesUsedUp})
        EXPECT_FALSE(ServerMayLackNts(kind)) << static_cast<int>(kind);

    Failure refused = KeyExchangeFailure(Kind::NtsNoConnection);
    refused.SystemError = ECONNREFUSED;
    EXPECT_TRUE(ServerOffersNoNts(refused));
    EXPECT_TRUE(ServerOffersNoNts(KeyExchangeFailure(Kind::NtsTimedOut)));
    EXPECT_TRUE(ServerOffersNoNts(KeyExchangeFailure(Kind::NtsNoAlpn)));
    Failure unreachable = refused;
    unreachable.SystemError = ENETUNREACH;
    EXPECT_FALSE(ServerOffersNoNts(unreachable));
    for (const Kind kind : {Kind::NtsCertificateUnknownIssuer, Kind::NtsCertificateWrongName,
                            Kind::NtsCertificateExpired, Kind::NtsCertificateNotYetValid, Kind::NtsCertificateRejected,
                            Kind::NtsNoTls13, Kind::NtsHandshakeFailed, Kind::NtsServerErrorRecord})
        EXPECT_FALSE(ServerOffersNoNts(KeyExchangeFailure(kind))) << static_cast<int>(kind);
}

TEST_F(NtsCommand, WhenOfferedAServerWithoutNtsIsAskedPlainlyButAFalseCertificateIsAnError)
{
    TimeCommandOutcome outcome = Info(1, false, true);
    ASSERT_TRUE(outcome.QuerySucceeded) << outcome.Report;
    EXPECT_FALSE(outcome.Authenticated);
    EXPECT_EQ(outcome.NtsSession, NtsSessionSource::None);
    EXPECT_TRUE(outcome.Report.ends_with(
        ReportNotAuthenticated("127.0.0.1:1", "keine Verbindung zu 127.0.0.1 Port 1: Verbindung abgelehnt")))
        << outcome.Report;

    const TestAuthority stranger("Somebody Else");
    StartKeyExchange(8, 1, {}, &stranger);
    outcome = Info(1, false, true);
    EXPECT_EQ(outcome.Error, ErrorCode::KeyExchangeFailed);
    EXPECT_EQ(outcome.QueryFailure->Kind, FailureKind::NtsCertificateUnknownIssuer);
    EXPECT_EQ(m_ntp.RequestCount(), 1) << "only the plain request of the first run";
}

// What an earlier run kept serves without a key exchange; what this run did
// not use, and the reply's fresh cookie, are kept again. A NAK that anyone
// could send, followed by the authentic reply, changes nothing.
TEST_F(NtsCommand, AKeptSessionServesWithoutKeyExchangeAndASpoofedNakClearsNothing)
{
    StartKeyExchange(8);
    Store(3, m_trust);
    Answer(Reply::NakThenAuthentic);
    const TimeCommandOutcome outcome = Info();
    ASSERT_TRUE(outcome.QuerySucceeded) << outcome.Report;
    EXPECT_EQ(outcome.NtsSession, NtsSessionSource::Stored);
    EXPECT_EQ(outcome.NtsCookiesLeft, 8u) << "two unused, six for the one sent and five placeholders";
    EXPECT_EQ(KeyExchanges(), 0);
    EXPECT_TRUE(outcome.Report.ends_with(ReportAuthenticatedBy("127.0.0.1:" + std::to_string(KeyExchangePort()), true)));
    const NtsTakeResult kept = Kept(m_trust);
    ASSERT_EQ(kept.Status, NtsTakeStatus::Taken);
    EXPECT_EQ(kept.Session->Cookies.size(), 8u);
    EXPECT_EQ(kept.Session->Cookies.front(), Cookie(kStoredMark, 501)) << "the unused ones first, the sent one gone";
}

// NAKs and nothing authentic by the deadline: the server no longer knows the
// session. It is dropped, one key exchange follows and one more try; when
// that is refused too, 20003 says why, and nothing is kept.
TEST_F(NtsCommand, NaksWithoutAnAuthenticReplyDropTheSessionAndRekeyOnce)
{
    StartKeyExchange(8, 2);
    Store(3, m_trust);
    Answer(Reply::Nak);
    const TimeCommandOutcome outcome = Info(4);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_EQ(KeyExchanges(), 1);
    EXPECT_EQ(m_ntp.RequestCount(), 2) << "the kept session's try and the new one's";
    EXPECT_EQ(outcome.Samples.size(), 1u) << "no session left for the series";
    EXPECT_EQ(outcome.Error, ErrorCode::ServerUnsynchronised);
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 20003)\n" +
                                         FailureText(FailureOf(FailureKind::NtsCookiesRefused)) + "\n\nOK."))
        << outcome.Report;
    EXPECT_EQ(Kept(m_trust).Status, NtsTakeStatus::Absent);
}

// Two cookies kept, eight exchanges: each request asks for what is missing
// from eight, so the series never runs dry and the store is full again.
TEST_F(NtsCommand, PlaceholdersKeepTheCookiesUpOverASeriesOfEight)
{
    Store(2, m_trust);
    const TimeCommandOutcome outcome = Info(8);
    EXPECT_EQ(outcome.Samples.size(), 8u);
    for (const SampleOutcome& sample : outcome.Samples)
        EXPECT_TRUE(sample.Succeeded) << sample.Error;
    EXPECT_EQ(outcome.NtsCookiesLeft, 8u);
    const NtsTakeResult kept = Kept(m_trust);
    ASSERT_TRUE(kept.Session);
    EXPECT_EQ(kept.Session->Cookies.size(), 8u);
}

// Replies lost take cookies and bring none: with none left mid-series, a key
// exchange gives new ones, and the series ends in real answers.
TEST_F(NtsCommand, ASeriesOutOfCookiesGetsAFreshKeyExchange)
{
    StartKeyExchange(2, 2);
    Answer(Reply::Authentic, 2);
    const TimeCommandOutcome outcome = Info(4);
    ASSERT_EQ(outcome.Samples.size(), 4u);
    EXPECT_EQ(outcome.Samples[0].Error, ErrorCode::TimedOut);
    EXPECT_EQ(outcome.Samples[1].Error, ErrorCode::TimedOut);
    EXPECT_TRUE(outcome.Samples[2].Succeeded && outcome.Samples[3].Succeeded);
    EXPECT_EQ(KeyExchanges(), 2);
    EXPECT_FALSE(outcome.CookiesRanOut);
    EXPECT_EQ(outcome.NtsSession, NtsSessionSource::KeyExchange);
}

// A certificate that starts tomorrow: valid but for the local clock. Without
// a kept session and the option, the key exchange fails and says how far the
// clock would be off; a kept session involves no certificate; the option
// accepts it, and what it makes is kept only for runs that accept the same.
TEST_F(NtsCommand, ACertificateThatStartsTomorrowFailsUnlessAKeptSessionOrTheOptionServes)
{
    StartKeyExchange(8, 3, Validity{86400, 30 * 86400});
    TimeCommandOutcome outcome = Info();
    EXPECT_EQ(outcome.QueryFailure->Kind, FailureKind::NtsCertificateNotYetValid);
    EXPECT_TRUE(outcome.NtsFailure.starts_with("Zertifikat des Servers nach der Uhr dieses Rechners noch nicht "
                                               "gültig"))
        << outcome.NtsFailure;
    EXPECT_EQ(outcome.NtsMayBeMissing, false);

    outcome = Info(1, true);
    ASSERT_TRUE(outcome.QuerySucceeded) << outcome.Report;
    EXPECT_TRUE(outcome.Report.ends_with(
        ReportAuthenticatedBy("127.0.0.1:" + std::to_string(KeyExchangePort()), false, true)))
        << outcome.Report;
    outcome = Info();
    EXPECT_EQ(outcome.QueryFailure->Kind, FailureKind::NtsCertificateNotYetValid) << "kept only for the option";
    outcome = Info(1, true);
    EXPECT_EQ(outcome.NtsSession, NtsSessionSource::Stored);
    EXPECT_TRUE(outcome.NtsCertificatePeriodUnchecked);
    EXPECT_EQ(KeyExchanges(), 3);

    Store(2, m_trust);
    outcome = Info();
    ASSERT_TRUE(outcome.QuerySucceeded) << outcome.Report;
    EXPECT_EQ(outcome.NtsSession, NtsSessionSource::Stored);
    EXPECT_FALSE(outcome.NtsCertificatePeriodUnchecked);
    EXPECT_EQ(KeyExchanges(), 3);
}

} // namespace
