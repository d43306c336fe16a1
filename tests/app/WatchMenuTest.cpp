// Zeitserver > Beobachten: each answer shown live in the status bar and the
// open Verlauf window and recorded, Info working beside it, and the same
// item ending it; and what the status bar's figure says.
#include "BackgroundJob.h"
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "HistoryReader.h"
#include "HistoryWindow.h"
#include "PreparedHistory.h"
#include "WatchFigureText.h"
#include "WatchIntervalDlg.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>

#include <map>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
std::map<MeasurementSource, int> RecordedBySource(const std::string& path)
{
    std::map<MeasurementSource, int> counts;
    HistoryStore store;
    EXPECT_EQ(store.Open(path), HistoryStatus::Ok);
    EXPECT_EQ(ForEachMeasurement(store, {}, [&counts](const MeasurementRecord& record) {
                  ++counts[record.Source];
                  return true;
              }),
              HistoryStatus::Ok);
    return counts;
}
} // namespace

TEST_F(CommandTest, BeobachtenShowsEachAnswerLiveRecordsItAndEndsFromTheSameItem)
{
    StateHomeSandbox state;
    m_server.SetClockOffset(0.25);
    Start(LoopbackHost());
    m_app->MainFrame()->CommandAction(ID_VIEW_HISTORY)->trigger();
    HistoryWindow* history = m_app->HistoryWindowShown();
    ASSERT_TRUE(WaitUntil([history] { return !history->Busy(); }));
    EXPECT_EQ(history->Snapshot().MeasurementCount(), 0u);

    QAction* watch = m_app->MainFrame()->CommandAction(ID_SERVER_WATCH);
    watch->trigger();
    EXPECT_TRUE(watch->isChecked());
    ASSERT_TRUE(WaitUntil([history] { return history->Snapshot().MeasurementCount() >= 2; }));
    // Milliseconds, the server 250 ms ahead; a loaded machine may add to the round trip.
    const QString figure = m_app->WatchFigure()->text();
    ASSERT_TRUE(figure.startsWith("Offset: +") && figure.endsWith(" ms")) << figure.toStdString();
    EXPECT_NEAR(QLocale(QLocale::German).toDouble(figure.mid(9).chopped(3)), 250.0, 50.0) << figure.toStdString();

    // Info runs beside the watch, one command at a time as ever.
    Run(ID_SERVER_INFO);
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), "127.0.0.1").has_value()) << OutputText(*m_app).toStdString();
    EXPECT_TRUE(m_app->IsWatching());

    watch->trigger();
    EXPECT_FALSE(watch->isChecked());
    EXPECT_FALSE(m_app->IsWatching());
    EXPECT_FALSE(m_app->WatchFigure()->isVisible());
    ASSERT_TRUE(WaitForAbandonedJobs(6000));
    const int asked = m_server.RequestCount();
    HandleEventsFor(1500);
    EXPECT_EQ(m_server.RequestCount(), asked) << "no request after the end";

    const auto recorded = RecordedBySource(state.HistoryPath());
    EXPECT_GE(recorded.at(MeasurementSource::Watch), 2);
    EXPECT_EQ(recorded.at(MeasurementSource::Info), 1);
}

TEST_F(CommandTest, BeobachtenCancelledInItsDialogStartsNothing)
{
    m_watchInterval.reset();
    Start(LoopbackHost());
    QAction* watch = m_app->MainFrame()->CommandAction(ID_SERVER_WATCH);
    watch->trigger();
    EXPECT_FALSE(watch->isChecked());
    EXPECT_FALSE(m_app->IsWatching());
    HandleEventsFor(300);
    EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST(WatchFigure, SaysTheOffsetInGermanOrTheErrorNumber)
{
    SampleOutcome answered;
    answered.Succeeded = true;
    answered.Result.ClockOffset = 1.2345678;
    EXPECT_EQ(WatchFigureText(answered), "Offset: +1234,568 ms");
    answered.Result.ClockOffset = -0.0123;
    EXPECT_EQ(WatchFigureText(answered), "Offset: -12,300 ms");
    SampleOutcome failed;
    failed.Error = 10060;
    EXPECT_EQ(WatchFigureText(failed), "Keine Antwort (Fehler Nr. 10060)");
}

TEST(WatchIntervalDialog, OffersTheAdvisedIntervalAndNothingBelowASecond)
{
    EXPECT_EQ(WatchIntervalDlg(WatchIntervalAdvisedSeconds).Seconds(), 16);
    WatchIntervalDlg dialog(0);
    EXPECT_EQ(dialog.Seconds(), 1);
    dialog.SecondsBox()->setValue(0);
    EXPECT_EQ(dialog.Seconds(), 1);
}
