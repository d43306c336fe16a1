// Info and Abgleichen with NTS against chronyd as an NTS server on loopback.
#include "ChronydNtsServer.h"
#include "ErrorCodes.h"
#include "RecordingClockControl.h"
#include "TimeCommand.h"

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {

class NtsCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_authority = new TestAuthority("Brisvander test CA");
        s_chronyd = new ChronydNtsServer;
        if (!s_chronyd->Start(*s_authority, s_whyNot))
            s_whyNot = "chronyd cannot serve NTS here: " + s_whyNot;
    }
    static void TearDownTestSuite()
    {
        delete s_chronyd;
        delete s_authority;
        s_chronyd = nullptr;
        s_authority = nullptr;
    }
    void SetUp() override
    {
        if (s_chronyd->KeyExchangePort() == 0)
            GTEST_SKIP() << s_whyNot;
    }
    static NtsOptions Options()
    {
        NtsOptions options;
        options.Enabled = true;
        options.KeyExchangePort = static_cast<std::uint16_t>(s_chronyd->KeyExchangePort());
        options.ExtraCaFile = s_chronyd->CaFile();
        return options;
    }

    static TestAuthority* s_authority;
    static ChronydNtsServer* s_chronyd;
    static std::string s_whyNot;
};
TestAuthority* NtsCommand::s_authority = nullptr;
ChronydNtsServer* NtsCommand::s_chronyd = nullptr;
std::string NtsCommand::s_whyNot;

TEST_F(NtsCommand, AbgleichenWithNtsStepsByTheAuthenticatedOffsetAndSaysWhoVouched)
{
    RecordingClockControl clock;
    SntpClient client(clock);
    // The NTP port comes from the key exchange; the one given here must not be used.
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "localhost", 9, client, Options());
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error << ": " << outcome.NtsFailure;
    EXPECT_TRUE(outcome.Authenticated);
    EXPECT_NEAR(outcome.Result.ClockOffset, 0.0, 0.001);
    const std::string server = "localhost:" + std::to_string(s_chronyd->KeyExchangePort());
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "localhost") + ReportSuccessBody(outcome.Result) +
                                  "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit " + server + ").\n" +
                                  "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
    ASSERT_EQ(clock.Of(RecordingClockControl::Call::Step).size(), 1u);
}

TEST_F(NtsCommand, AnUntrustedServerFailsTheKeyExchangeAndSetsNothing)
{
    RecordingClockControl clock;
    SntpClient client(clock);
    NtsOptions options = Options();
    options.ExtraCaFile.clear();
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "localhost", 123, client, options);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_EQ(outcome.Error, ErrorCode::KeyExchangeFailed);
    EXPECT_FALSE(outcome.NtsFailure.empty());
    EXPECT_TRUE(clock.records.empty());
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "localhost") +
                                  "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal "
                                  "versuchen.\n(Fehler Nr. 20004)\n" +
                                  outcome.NtsFailure + "\n\nOK.");
}

} // namespace
