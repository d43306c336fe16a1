// The NTS choice of the window: off at first, one of three radio items,
// stored as it is made; "wenn angeboten" asks plainly where the server offers
// no NTS; "immer" against chronyd's NTS server on loopback, whose session the
// next Info uses again.
#include "ChronydNtsServer.h"
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "SettingsKeys.h"

#include <QAction>
#include <QActionGroup>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {

QAction* Action(CBrisvanderApp& app, int commandId) { return app.MainFrame()->CommandAction(commandId); }

TEST_F(CommandTest, TheNtsChoiceIsOffAtFirstOneOfThreeAndStoredAsItIsMade)
{
    NtsOptions nothingListens;
    nothingListens.KeyExchangePort = 1; // tcpmux: nothing listens there on a test machine
    Start(LoopbackHost(), m_server.Port(), nothingListens);
    QAction* off = Action(*m_app, ID_OPTIONS_NTS_OFF);
    QAction* whenOffered = Action(*m_app, ID_OPTIONS_NTS_AUTO);
    QAction* always = Action(*m_app, ID_OPTIONS_NTS);
    ASSERT_TRUE(off && whenOffered && always);
    EXPECT_EQ(always->text(), "Authentifizierte Zeit (&NTS) immer");
    for (QAction* choice : {off, whenOffered, always}) {
        EXPECT_TRUE(choice->isCheckable());
        EXPECT_FALSE(choice->statusTip().isEmpty());
        ASSERT_NE(choice->actionGroup(), nullptr);
        EXPECT_EQ(choice->actionGroup(), off->actionGroup());
    }
    EXPECT_TRUE(off->actionGroup()->isExclusive());
    EXPECT_TRUE(off->isChecked());

    const std::pair<QAction*, const char*> choices[] = {{whenOffered, "2"}, {always, "1"}, {off, "0"}};
    for (const auto& [choice, stored] : choices) {
        choice->trigger();
        EXPECT_TRUE(choice->isChecked());
        EXPECT_EQ(StoredValue(Settings::KeyNts), stored);
    }

    // Where the server offers no NTS, "wenn angeboten" asks without it and says so.
    whenOffered->trigger();
    Run(ID_SERVER_INFO);
    const auto report = ParseSuccessReport(OutputText(*m_app), "127.0.0.1");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_TRUE(report->Outcome.starts_with("Die Zeit ist nicht authentifiziert: Kein NTS beim Schlüsselaustausch "
                                            "mit 127.0.0.1:1 ("))
        << report->Outcome;
}

class NtsWindowTest : public CommandTest {
protected:
    void SetUp() override
    {
        std::string whyNot;
        if (!m_chronyd.Start(whyNot))
            GTEST_SKIP() << "chronyd cannot serve NTS here: " << whyNot;
    }
    ChronydNtsServer m_chronyd;
    TempDirectory m_state;
};

TEST_F(NtsWindowTest, InfoWithNtsAlwaysIsAuthenticatedAndTheNextOneUsesTheKeptSession)
{
    NtsOptions nts;
    nts.KeyExchangePort = static_cast<std::uint16_t>(m_chronyd.KeyExchangePort());
    nts.ExtraCaFile = m_chronyd.CaFile();
    nts.StoreFolder = m_state.Path() + "/nts";
    Start("[Settings]\nHost=localhost\nNTS=1\n", 9, nts);
    EXPECT_TRUE(Action(*m_app, ID_OPTIONS_NTS)->isChecked());
    const std::string server = "localhost:" + std::to_string(m_chronyd.KeyExchangePort());
    for (const char* session : {"", "gespeicherte Sitzung, früherer "}) {
        Run(ID_SERVER_INFO);
        const auto report = ParseSuccessReport(OutputText(*m_app), "localhost");
        ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
        EXPECT_EQ(report->Outcome,
                  "Die Zeit ist mit NTS authentifiziert (" + std::string(session) + "Schlüsselaustausch mit " + server +
                      ").\n");
    }
}

} // namespace
