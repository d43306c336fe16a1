// Info with NTS through the command layer against a scripted key exchange
// server: what the report says when the key exchange fails as it does
// against a server without NTS, when the server it names cannot be asked,
// and when a series runs out of cookies.
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
constexpr std::uint16_t kCritical = 0x8000;

Bytes KeyExchangeResponse(int cookies, const std::string& ntpServer, int ntpPort)
{
    Bytes m;
    AppendRecord(m, kCritical | 1, U16(0));
    AppendRecord(m, 4, U16(15));
    for (int i = 0; i < cookies; ++i)
        AppendRecord(m, 5, Bytes(64, static_cast<std::uint8_t>(i)));
    if (!ntpServer.empty())
        AppendRecord(m, 6, Bytes(ntpServer.begin(), ntpServer.end()));
    AppendRecord(m, 7, U16(static_cast<std::uint16_t>(ntpPort)));
    AppendRecord(m, kCritical | 0, {});
    return m;
}

class NtsCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { KeepNameLookupsLocal(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_authority.Valid());
        m_caFile = m_directory.Write("ca.pem", m_authority.CertificatePem());
        ASSERT_FALSE(m_caFile.empty());
    }

    // Starts the key exchange server; its port, or 0.
    int KeyExchangeAnswering(Bytes response)
    {
        NtsKeServerScript script;
        script.Credentials = m_authority.Issue("localhost", {"DNS:localhost", "IP:127.0.0.1"});
        script.Response = std::move(response);
        std::string whyNot;
        EXPECT_TRUE(m_keyExchange.Start(std::move(script), whyNot)) << whyNot;
        return m_keyExchange.Port();
    }

    TimeCommandOutcome Info(const std::string& host, int keyExchangePort, int samples = 1)
    {
        RecordingClockControl clock;
        SntpClient client(clock);
        client.TimeoutMs = 300;
        TimeCommandOptions options;
        options.Series.Count = samples;
        options.Nts.Enabled = true;
        options.Nts.KeyExchangePort = static_cast<std::uint16_t>(keyExchangePort);
        options.Nts.ExtraCaFile = m_caFile;
        options.Pause = [](std::chrono::milliseconds) {};
        return RunTimeCommand(ReportCommand::Info, host, 123, client, options);
    }

    TestAuthority m_authority{"Brisvander Test CA"};
    TempDirectory m_directory;
    std::string m_caFile;
    NtsKeTestServer m_keyExchange;
};

TEST_F(NtsCommand, AKeyExchangeThatFindsNoNtsSaysTheServerMayLackItAndThatNtsIsOn)
{
    const TimeCommandOutcome outcome = Info("127.0.0.1", 1); // tcpmux: nothing listens there
    EXPECT_EQ(outcome.Error, ErrorCode::KeyExchangeFailed);
    const std::string reason = "keine Verbindung zu 127.0.0.1 Port 1: Verbindung abgelehnt";
    EXPECT_EQ(outcome.NtsFailure, reason) << "the bare reason, for JSON";
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 20004)\n" + reason +
                                         ". Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet "
                                         "(„Authentifizierte Zeit (NTS)“, --nts).\n\nOK."))
        << outcome.Report;
}

TEST_F(NtsCommand, AFailureWithTheServerTheKeyExchangeNamedNamesThatServer)
{
    const int port = KeyExchangeAnswering(KeyExchangeResponse(8, "ntp.invalid", 4123));
    const TimeCommandOutcome outcome = Info("localhost", port);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_NE(outcome.Error, ErrorCode::KeyExchangeFailed);
    EXPECT_TRUE(outcome.Report.ends_with(")\nDer Schlüsselaustausch nannte als NTP-Server ntp.invalid Port 4123.\n\nOK."))
        << outcome.Report;
}

TEST_F(NtsCommand, ASeriesThatRunsOutOfCookiesEndsWithItsLastRealFailure)
{
    FakeSntpServer silent;
    silent.SetSilent(true);
    const int port = KeyExchangeAnswering(KeyExchangeResponse(2, "", silent.Port()));
    const TimeCommandOutcome outcome = Info("localhost", port, 4);
    ASSERT_EQ(outcome.Samples.size(), 2u) << "no exchange without a cookie";
    EXPECT_TRUE(outcome.CookiesRanOut);
    EXPECT_EQ(outcome.Error, ErrorCode::TimedOut);
    EXPECT_TRUE(outcome.NtsFailure.empty()) << outcome.NtsFailure;
    EXPECT_TRUE(outcome.Report.ends_with("(Fehler Nr. 10060)\n\nOK.")) << outcome.Report;
}

} // namespace
