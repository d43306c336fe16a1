// The survey window: a scripted survey's table, sentence and chart; sorting
// and choosing a host; and a real survey of loopback servers cancelled
// while one of them stays silent.
#include "BackgroundJob.h"
#include "ErrorCodes.h"
#include "LoopbackServerFarm.h"
#include "SurveyChart.h"
#include "SurveyTable.h"
#include "SurveyTableModel.h"
#include "SurveyWindow.h"
#include "WindowTestSupport.h"

#include <QCategoryAxis>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;
using namespace std::chrono_literals;

namespace {
// Each at an address of its own: one server, one vote.
HostSurvey Answer(const char* host, double offset)
{
    static int lastAddress = 0;
    HostSurvey h;
    h.Host = host;
    h.Address = "192.0.2." + std::to_string(++lastAddress);
    h.Port = 123;
    h.Failure = SurveyFailure::None;
    h.Offset = offset;
    h.Delay = 0.002;
    h.RootDispersion = 0.001;
    h.Stratum = 2;
    return h;
}

std::vector<HostSurvey> ScriptedResults()
{
    HostSurvey silent;
    silent.Host = "stumm.test";
    silent.Port = 123;
    silent.Error = ErrorCode::TimedOut;
    return {Answer("a.test", 0.0010), Answer("falsch.test", 0.5), silent, Answer("b.test", 0.0012),
            Answer("c.test", 0.0008), Answer("d.test", 0.0011)};
}

SurveySource ScriptedSource(const std::vector<HostSurvey>& results)
{
    SurveySource source;
    for (const HostSurvey& host : results)
        source.Hosts.push_back(host.Host);
    source.Run = [results](std::span<const std::string>, const SurveyPlan&) { return results; };
    return source;
}

QString Cell(const QTableView& table, int row, int column)
{
    return table.model()->index(row, column).data().toString();
}
} // namespace

TEST(SurveyWindow, ShowsAScriptedSurveyAsTableSentenceAndChart)
{
    const std::vector<HostSurvey> results = ScriptedResults();
    const SurveyVerdict verdict = JudgeSurvey(results);
    SurveyWindow window(ScriptedSource(results));
    window.show();
    window.Start();
    ASSERT_TRUE(WaitUntil([&window] { return !window.Running(); }));

    const QTableView& table = *window.Table();
    ASSERT_EQ(table.model()->rowCount(), 6);
    ASSERT_EQ(table.model()->columnCount(), 8);
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(table.model()->headerData(column, Qt::Horizontal).toString().toStdString(),
                  SurveyTableHeads()[static_cast<std::size_t>(column)]);
    EXPECT_EQ(Cell(table, 0, 0), "c.test") << "agreeing first, the smallest offset leading";
    EXPECT_EQ(Cell(table, 0, 4), "+0.000800 s");
    EXPECT_EQ(Cell(table, 0, 7), "stimmt überein");
    EXPECT_EQ(Cell(table, 4, 0), "falsch.test");
    EXPECT_EQ(Cell(table, 4, 7), "weicht ab");
    EXPECT_EQ(Cell(table, 5, 7), "keine Antwort (Fehler Nr. 10060)");
    EXPECT_EQ(window.SentenceText().toStdString() + "\n", ConsensusSentence(verdict));
    EXPECT_EQ(window.StatusText(), "5 von 6 Servern haben geantwortet.");

    // One bar per answering server, the wrong one marked, the consensus drawn.
    const SurveyChart& chart = *window.Chart();
    EXPECT_EQ(chart.Rows(), 5);
    const std::vector<QXYSeries*> wrong = SeriesNamed(chart, "interval:falsch.test");
    ASSERT_EQ(wrong.size(), 1u);
    const OffsetInterval interval = TrueOffsetInterval(results[1]);
    EXPECT_DOUBLE_EQ(wrong[0]->at(0).x(), interval.Low * 1e3);
    EXPECT_DOUBLE_EQ(wrong[0]->at(1).x(), interval.High * 1e3);
    EXPECT_TRUE(SeriesNamed(chart, "interval:stumm.test").empty());
    const std::vector<QScatterSeries*> disagreeing = SeriesNamed<QScatterSeries>(chart, "disagrees");
    ASSERT_EQ(disagreeing.size(), 1u);
    ASSERT_EQ(disagreeing[0]->count(), 1);
    EXPECT_DOUBLE_EQ(disagreeing[0]->at(0).x(), 500.0);
    EXPECT_EQ(SeriesNamed<QScatterSeries>(chart, "agrees").front()->count(), 4);
    EXPECT_DOUBLE_EQ(SeriesNamed(chart, "consensus").front()->at(0).x(), verdict.ConsensusOffset * 1e3);
    const QStringList labels = chart.ServerAxis()->categoriesLabels();
    EXPECT_EQ(labels.size(), 5);
    EXPECT_EQ(labels.last(), "c.test") << "the table's first row at the top";
}

TEST(SurveyWindow, SortsByValueAndHandsADoubleClickedHostOver)
{
    const std::vector<HostSurvey> results = ScriptedResults();
    SurveyWindow window(ScriptedSource(results));
    QString chosen;
    window.SetHostChosen([&chosen](const QString& host) { chosen = host; });
    window.show();
    window.Start();
    ASSERT_TRUE(WaitUntil([&window] { return !window.Running(); }));

    QTableView& table = *window.Table();
    table.sortByColumn(4, Qt::DescendingOrder);
    EXPECT_EQ(Cell(table, 0, 0), "stumm.test") << "no offset sorts past every offset";
    EXPECT_EQ(Cell(table, 1, 0), "falsch.test");
    table.sortByColumn(4, Qt::AscendingOrder);
    EXPECT_EQ(Cell(table, 0, 0), "c.test");
    EXPECT_EQ(Cell(table, 1, 0), "a.test") << "+0.0010 before +0.0011, as numbers";
    table.sortByColumn(7, Qt::AscendingOrder);
    EXPECT_EQ(Cell(table, 4, 0), "falsch.test") << "the verdict in the table's own order";

    emit table.doubleClicked(table.model()->index(4, 3));
    EXPECT_EQ(chosen, "falsch.test");
}

TEST(SurveyWindow, ACancelledSurveyEndsAtOnceAndTheWindowStaysUsable)
{
    LoopbackServerFarm farm({{"127.0.4.1", 0, 0.0, FarmServer::Manner::Answer},
                             {"127.0.4.2", 0, 0.0, FarmServer::Manner::Answer},
                             {"127.0.4.3", 0, 0.0, FarmServer::Manner::Answer},
                             {"127.0.4.4", 0, 0.0, FarmServer::Manner::Silent}});
    ASSERT_NE(farm.Port(), 0);
    SurveySource source;
    source.Hosts = {"127.0.4.1", "127.0.4.2", "127.0.4.3", "127.0.4.4"};
    source.Plan.Port = farm.Port();
    source.Plan.ExchangeTimeout = 5000ms;
    auto window = std::make_unique<SurveyWindow>(source);
    window->show();
    window->Start();
    ASSERT_TRUE(window->Running());
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("Cancel"));
    auto* again = window->findChild<QPushButton*>(QStringLiteral("Again"));
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(again->isEnabled());

    // The silent server holds the survey; the window's own timers keep running.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    ASSERT_TRUE(WaitUntil([&window] { return window->Progress()->value() == 3; }));
    const int ticksBefore = ticks;
    EXPECT_TRUE(WaitUntil([&] { return ticks >= ticksBefore + 5; }, 2000));
    EXPECT_TRUE(window->Running());

    cancel->click();
    EXPECT_FALSE(cancel->isEnabled());
    ASSERT_TRUE(WaitUntil([&window] { return !window->Running(); }, 4000)) << "well inside the silent one's time-out";
    EXPECT_EQ(window->StatusText(), "Abgebrochen nach 3 von 4 Servern. 3 von 4 Servern haben geantwortet.");
    EXPECT_EQ(Cell(*window->Table(), 3, 0), "127.0.4.4");
    EXPECT_EQ(Cell(*window->Table(), 3, 7), "abgebrochen");
    EXPECT_EQ(farm.RequestCount(3), 1);

    // Usable: it asks again, and closing it ends that survey too.
    EXPECT_TRUE(again->isEnabled());
    again->click();
    EXPECT_TRUE(window->Running());
    EXPECT_TRUE(window->Table()->model()->rowCount() == 0);
    window->close();
    window.reset();
    EXPECT_TRUE(WaitForAbandonedJobs(4000));
}
