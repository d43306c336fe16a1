// The two windows as the menu opens them: Verlauf over a prepared history,
// read afresh each time it is asked for; the survey, whose double-clicked
// host lands in the server field as if typed; and the program's end during
// a survey, which does not wait for it.
#include "BackgroundJob.h"
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "HistoryWindow.h"
#include "LoopbackServerFarm.h"
#include "PreparedHistory.h"
#include "SettingsKeys.h"
#include "SurveyWindow.h"

#include <QAction>
#include <QTableView>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
constexpr std::int64_t Minute = 60'000'000;

SyntheticHistory RecentMeasurements(std::int64_t count)
{
    SyntheticHistory history;
    history.FromMicroseconds = NowMicroseconds() - 30 * Minute;
    history.Count = count;
    return history;
}

HostSurvey Answer(const char* host, const char* address, double offset)
{
    HostSurvey h;
    h.Host = host;
    h.Address = address;
    h.Failure = SurveyFailure::None;
    h.Offset = offset;
    h.Stratum = 2;
    return h;
}
} // namespace

TEST_F(CommandTest, VerlaufOpensOnceAndReadsTheHistoryAfreshEachTime)
{
    StateHomeSandbox state;
    ASSERT_EQ(WriteSyntheticHistory(state.HistoryPath(), RecentMeasurements(60)), HistoryStatus::Ok);
    Start(LoopbackHost());
    m_app->MainFrame()->CommandAction(ID_VIEW_HISTORY)->trigger();
    HistoryWindow* window = m_app->HistoryWindowShown();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(WaitUntil([window] { return !window->Busy(); }));
    EXPECT_EQ(window->MessageText(), "60 Messungen von 2 Servern.");

    ASSERT_EQ(WriteSyntheticHistory(state.HistoryPath(), RecentMeasurements(10)), HistoryStatus::Ok);
    m_app->MainFrame()->CommandAction(ID_VIEW_HISTORY)->trigger();
    EXPECT_EQ(m_app->HistoryWindowShown(), window);
    ASSERT_TRUE(WaitUntil([window] { return !window->Busy(); }));
    EXPECT_EQ(window->MessageText(), "70 Messungen von 2 Servern.");

    window->close();
    EXPECT_TRUE(WaitUntil([this] { return m_app->HistoryWindowShown() == nullptr; }, 2000)) << "gone once closed";
}

TEST_F(CommandTest, ASurveyedHostLandsInTheServerFieldAsIfTyped)
{
    const std::vector<HostSurvey> results{Answer("a.test", "192.0.2.1", 0.001), Answer("zeit.test", "192.0.2.2", 0.002),
                                         Answer("c.test", "192.0.2.3", 0.0)};
    m_survey.Hosts = {"a.test", "zeit.test", "c.test"};
    m_survey.Run = [results](std::span<const std::string>, const SurveyPlan&) { return results; };
    Start(LoopbackHost());
    QComboBox* combo = ServerCombo(*m_app);
    const int selected = combo->currentIndex();
    const QString stored = StoredValue(Settings::KeyHost);

    m_app->MainFrame()->CommandAction(ID_SERVER_SURVEY)->trigger();
    SurveyWindow* window = m_app->SurveyWindowShown();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([window] { return !window->Running(); }));
    QTableView& table = *window->Table();
    int row = 0;
    while (row < table.model()->rowCount() && table.model()->index(row, 0).data().toString() != "zeit.test")
        ++row;
    ASSERT_LT(row, table.model()->rowCount());
    emit table.doubleClicked(table.model()->index(row, 5));

    EXPECT_EQ(combo->currentText(), "zeit.test");
    EXPECT_EQ(combo->currentIndex(), selected) << "typed, not chosen from the list";
    EXPECT_EQ(StoredValue(Settings::KeyHost), stored) << "stored only once a command has used it";
    m_app->MainFrame()->CommandAction(ID_SERVER_SURVEY)->trigger();
    EXPECT_EQ(m_app->SurveyWindowShown(), window) << "the open window comes up, no second one";
}

TEST_F(CommandTest, TheProgramEndsDuringASurveyWithoutWaitingForIt)
{
    LoopbackServerFarm farm({{"127.0.4.9", 0, 0.0, FarmServer::Manner::Silent}});
    ASSERT_NE(farm.Port(), 0);
    m_survey.Hosts = {"127.0.4.9"};
    m_survey.Plan.Port = farm.Port();
    Start(LoopbackHost());
    m_app->MainFrame()->CommandAction(ID_SERVER_SURVEY)->trigger();
    ASSERT_TRUE(m_app->SurveyWindowShown()->Running());
    ASSERT_TRUE(WaitUntil([&farm] { return farm.RequestCount(0) == 1; }, 5000));

    m_app->MainFrame()->CommandAction(ID_APP_EXIT)->trigger();
    m_app.reset(); // what follows the end of the message loop
    EXPECT_TRUE(WaitForAbandonedJobs(3000)) << "cancelled with its window, long before the time-out";
    EXPECT_EQ(farm.RequestCount(0), 1);
}
