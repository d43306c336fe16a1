// The NTS option of the window: off at first, stored as it is switched, and
// Info with it on authenticated by chronyd's NTS server on loopback.
#include "ChronydNtsServer.h"
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "SettingsKeys.h"

#include <QAction>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {

QAction* NtsAction(CBrisvanderApp& app) { return app.MainFrame()->CommandAction(ID_OPTIONS_NTS); }

TEST_F(CommandTest, TheNtsOptionIsOffAtFirstAndStoredAsItIsSwitched)
{
    Start(LoopbackHost());
    QAction* nts = NtsAction(*m_app);
    ASSERT_NE(nts, nullptr);
    EXPECT_EQ(nts->text(), "Authentifizierte Zeit (&NTS)");
    EXPECT_TRUE(nts->isCheckable());
    EXPECT_FALSE(nts->isChecked());
    EXPECT_FALSE(nts->statusTip().isEmpty());

    nts->trigger();
    EXPECT_TRUE(nts->isChecked());
    EXPECT_EQ(StoredValue(Settings::KeyNts), "1");
    nts->trigger();
    EXPECT_FALSE(nts->isChecked());
    EXPECT_EQ(StoredValue(Settings::KeyNts), "0");

    // A plain Info with the option off asks the fake server as before.
    Run(ID_SERVER_INFO);
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), "127.0.0.1")) << OutputText(*m_app).toStdString();
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
};

TEST_F(NtsWindowTest, InfoWithTheOptionOnIsAuthenticatedAndSaysByWhom)
{
    NtsOptions nts;
    nts.KeyExchangePort = static_cast<std::uint16_t>(m_chronyd.KeyExchangePort());
    nts.ExtraCaFile = m_chronyd.CaFile();
    Start("[Settings]\nHost=localhost\nNTS=1\n", 9, nts);
    EXPECT_TRUE(NtsAction(*m_app)->isChecked());
    Run(ID_SERVER_INFO);
    const auto report = ParseSuccessReport(OutputText(*m_app), "localhost");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_EQ(report->Outcome, "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit localhost:" +
                                   std::to_string(m_chronyd.KeyExchangePort()) + ").\n");
}

} // namespace
