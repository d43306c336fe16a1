// Info with NTS through the command layer: the reason line of a key exchange
// that fails as it does against a server without NTS, and a series with the
// server a key exchange named that runs out of cookies.
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "NtsKeTestServer.h"
#include "RecordingClockControl.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {
TimeCommandOutcome Info(const std::string& host, int keyExchangePort, int samples, const std::string& caFile = {})
{
    RecordingClockControl clock;
    SntpClient client(clock);
    client.TimeoutMs = 300;
    TimeCommandOptions options;
    options.Series.Count = samples;
    options.Nts = {true, static_cast<std::uint16_t>(keyExchangePort), caFile};
    options.Pause = [](std::chrono::milliseconds) {};
    return RunTimeCommand(ReportCommand::Info, host, 123, client, options);
}

TEST(NtsCommand, AKeyExchangeThatFindsNoNtsSaysTheServerMayLackItAndThatNtsIsOn)
{
    const TimeCommandOutcome outcome = Info("127.0.0.1", 1, 1); // tcpmux: nothing listens there
    const std::string reason = "keine Verbindung zu 127.0.0.1 Port 1: Verbindung abgelehnt";
    EXPECT_EQ(outcome.NtsFailure, reason) << "the bare reason, for JSON";
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 20004)\n" + reason +
                                         ". Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet "
                                         "(„Authentifizierte Zeit (NTS)“, --nts).\n\nOK."))
        << outcome.Report;
}

// A server without NTS refuses the connection, the TLS version or "ntske/1",
// offers neither NTPv4 nor AES-SIV, or never answers; the rest says nothing
// about NTS (a name, trust, the server's own error, a broken response).
TEST(NtsCommand, OnlyFailuresAServerWithoutNtsCausesHintThatItMayLackIt)
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
}

TEST(NtsCommand, ASeriesOutOfCookiesEndsWithItsLastRealFailureAndNamesTheServerTheKeyExchangeNamed)
{
    KeepNameLookupsLocal();
    FakeSntpServer silent;
    silent.SetSilent(true);
    TestAuthority authority("Brisvander Test CA");
    const TempDirectory directory;
    NtsKeServerScript script;
    script.Credentials = authority.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
    AppendRecord(script.Response, 0x8001, U16(0));
    AppendRecord(script.Response, 4, U16(15));
    for (std::uint8_t cookie = 0; cookie < 2; ++cookie)
        AppendRecord(script.Response, 5, Bytes(64, cookie));
    AppendRecord(script.Response, 6, Bytes{'l', 'o', 'c', 'a', 'l', 'h', 'o', 's', 't'});
    AppendRecord(script.Response, 7, U16(static_cast<std::uint16_t>(silent.Port())));
    AppendRecord(script.Response, 0x8000, {});
    NtsKeTestServer keyExchange;
    std::string whyNot;
    ASSERT_TRUE(keyExchange.Start(std::move(script), whyNot)) << whyNot;

    const TimeCommandOutcome outcome =
        Info("127.0.0.1", keyExchange.Port(), 4, directory.Write("ca.pem", authority.CertificatePem()));
    EXPECT_EQ(outcome.Samples.size(), 2u) << "no exchange without a cookie";
    EXPECT_TRUE(outcome.CookiesRanOut);
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 10060)\nDer Schlüsselaustausch nannte als NTP-Server "
                                         "localhost Port " + std::to_string(silent.Port()) + ".\n\nOK."))
        << outcome.Report;
}

} // namespace
