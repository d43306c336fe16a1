// The Verlauf window over a prepared history: the series, marks and figures
// it draws, the spans, the line it shows without a history, the CSV it
// saves, and a measurement added live.
#include "HistoryChart.h"
#include "HistoryFormat.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "PreparedHistory.h"
#include "WindowTestSupport.h"

#include <QAreaSeries>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QChartView>
#include <QFile>
#include <QLineSeries>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
constexpr std::int64_t Minute = 60'000'000;

// Two servers over the last forty minutes, a clock 50 ppm fast, stepped
// forward by half a second halfway.
SyntheticHistory TwoServersWithAStep()
{
    SyntheticHistory history;
    history.FromMicroseconds = NowMicroseconds() - 40 * Minute;
    history.Count = 240;
    history.NoiseSeconds = 20e-6;
    history.StepAfter = 120;
    return history;
}

double Slope(const QXYSeries& line)
{
    const QPointF a = line.at(0);
    const QPointF b = line.at(line.count() - 1);
    return (b.y() - a.y()) / (b.x() - a.x());
}

class HistoryWindowTest : public testing::Test {
protected:
    // Reads the history afresh and waits until it is drawn.
    void Read()
    {
        m_window.show();
        m_window.Reload();
        ASSERT_TRUE(WaitUntil([this] { return !m_window.Busy(); }));
    }
    void ChooseSpan(const char* text)
    {
        auto* span = m_window.findChild<QComboBox*>(QStringLiteral("Span"));
        span->setCurrentIndex(span->findText(QString::fromUtf8(text)));
        ASSERT_TRUE(WaitUntil([this] { return !m_window.Busy(); }));
    }

    StateHomeSandbox m_state;
    HistoryWindow m_window;
};
} // namespace

TEST_F(HistoryWindowTest, DrawsEachServerTheStepAndTheDriftWithItsFigures)
{
    const SyntheticHistory history = TwoServersWithAStep();
    ASSERT_EQ(WriteSyntheticHistory(m_state.HistoryPath(), history), HistoryStatus::Ok);
    Read();
    EXPECT_EQ(m_window.MessageText(), "240 Messungen von 2 Servern, Uhr 1 Mal gestellt.");
    const HistoryChart& chart = *m_window.Chart();
    EXPECT_EQ(chart.OffsetUnit(), "ms");

    // The step cuts each server's line; the band follows it by half the delay either way.
    for (const char* host : {"a.test", "b.test"}) {
        EXPECT_EQ(SeriesNamed(chart, QStringLiteral("offset:") + host).size(), 2u) << host;
        EXPECT_EQ(SeriesNamed<QAreaSeries>(chart, QStringLiteral("delay:") + host).size(), 2u) << host;
    }
    const QXYSeries& first = *SeriesNamed(chart, "offset:a.test").front();
    EXPECT_EQ(first.count(), 60);
    EXPECT_DOUBLE_EQ(first.at(0).x(), static_cast<double>(SyntheticTime(history, 0)) / 1000);
    EXPECT_NEAR(first.at(0).y(), SyntheticOffset(history, 0) * 1e3, 0.1);
    const QAreaSeries& band = *SeriesNamed<QAreaSeries>(chart, "delay:a.test").front();
    EXPECT_NEAR(band.upperSeries()->at(0).y() - band.lowerSeries()->at(0).y(), history.DelaySeconds * 1e3, 1e-9);
    EXPECT_NEAR(SeriesNamed(chart, "offset:a.test").back()->at(0).y(), SyntheticOffset(history, 120) * 1e3, 0.1);

    const std::vector<QXYSeries*> steps = SeriesNamed(chart, "step");
    ASSERT_EQ(steps.size(), 1u);
    const double stepAt = static_cast<double>(SyntheticTime(history, 120) - history.EveryMicroseconds / 2) / 1000;
    EXPECT_DOUBLE_EQ(steps[0]->at(0).x(), stepAt);
    EXPECT_DOUBLE_EQ(steps[0]->at(1).x(), stepAt);

    // Drawn over the segment after the step: 50 us a second down, in ms per ms.
    for (const char* host : {"a.test", "b.test"}) {
        const std::vector<QXYSeries*> drift = SeriesNamed(chart, QStringLiteral("drift:") + host);
        ASSERT_EQ(drift.size(), 1u) << host;
        EXPECT_NEAR(Slope(*drift[0]), -50e-6, 1e-6) << host;
        EXPECT_GE(drift[0]->at(0).x(), stepAt);
    }
    const QString figures = chart.DriftText();
    const QRegularExpressionMatch combined =
        QRegularExpression(QStringLiteral("Drift aller Server: ([+-][0-9.]+) ppm ± [0-9.]+ ppm, ([+-][0-9.]+) s pro Tag "
                                          "\\(die Uhr geht vor\\)"))
            .match(figures);
    ASSERT_TRUE(combined.hasMatch()) << figures.toStdString();
    EXPECT_NEAR(combined.captured(1).toDouble(), 50.0, 0.5);
    EXPECT_NEAR(combined.captured(2).toDouble(), 4.32, 0.05);
    EXPECT_TRUE(figures.contains("Drift a.test: +")) << figures.toStdString();

    // Forty minutes are shown in the middle of an hour, the least the axis spans.
    EXPECT_EQ(chart.TimeAxis()->min().msecsTo(chart.TimeAxis()->max()), 3'600'000);
    EXPECT_LT(chart.TimeAxis()->min().toMSecsSinceEpoch(), history.FromMicroseconds / 1000);
    EXPECT_GT(chart.TimeAxis()->max().toMSecsSinceEpoch(), SyntheticTime(history, 239) / 1000);
    EXPECT_EQ(chart.TimeAxis()->format(), "HH:mm");
}

TEST_F(HistoryWindowTest, SaysInOneLineWhenThereIsNothingToDraw)
{
    Read();
    EXPECT_EQ(m_window.MessageText(), "Es gibt noch keinen Verlauf: Bisher wurde keine Messung aufgezeichnet.");
    EXPECT_FALSE(m_window.ChartView()->isVisible());
    EXPECT_FALSE(std::filesystem::exists(m_state.HistoryPath())) << "looking makes no file";

    SyntheticHistory old;
    old.FromMicroseconds = NowMicroseconds() - 180 * Minute;
    old.EveryMicroseconds = Minute;
    old.Count = 20;
    ASSERT_EQ(WriteSyntheticHistory(m_state.HistoryPath(), old), HistoryStatus::Ok);
    ChooseSpan("Letzte Stunde");
    EXPECT_EQ(m_window.MessageText(), "In diesem Zeitraum gibt es keine Messungen; „Alles“ zeigt die älteren.");
    EXPECT_FALSE(m_window.ChartView()->isVisible());
    ChooseSpan("Letzter Tag");
    EXPECT_EQ(m_window.MessageText(), "20 Messungen von 2 Servern.");
    EXPECT_TRUE(m_window.ChartView()->isVisible());
    EXPECT_TRUE(m_window.Chart()->DriftText().contains("Drift a.test: +50.00 ppm"));
}

TEST_F(HistoryWindowTest, SavesTheShownMeasurementsAndStepsAsCsv)
{
    const SyntheticHistory history = TwoServersWithAStep();
    ASSERT_EQ(WriteSyntheticHistory(m_state.HistoryPath(), history), HistoryStatus::Ok);
    {
        HistoryStore store;
        ASSERT_EQ(store.Open(m_state.HistoryPath()), HistoryStatus::Ok);
        MeasurementRecord failed;
        failed.UnixMicroseconds = NowMicroseconds() - Minute;
        failed.Host = "a.test";
        failed.Error = 10060;
        ASSERT_EQ(store.AppendMeasurement(failed), HistoryStatus::Ok);
    }
    Read();
    QTemporaryDir folder;
    const QString path = folder.filePath("verlauf.csv");
    m_window.SetSavePathQuestion([&path](QWidget*) { return path; });
    m_window.findChild<QPushButton*>(QStringLiteral("SaveCsv"))->click();
    ASSERT_TRUE(WaitUntil([this] { return !m_window.Busy(); }));
    EXPECT_EQ(m_window.MessageText(), QStringLiteral("241 Zeilen in %1 gespeichert.").arg(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 243) << "a header, 240 measurements, a step and the last line end";
    EXPECT_EQ(lines[0] + "\n", QByteArray::fromStdString(ListingHeader(ListingFormat::Csv)));
    EXPECT_TRUE(lines[121].contains(",step,")) << lines[121].toStdString();

    m_window.SetSavePathQuestion([](QWidget*) { return QStringLiteral("/nonexistent-folder/verlauf.csv"); });
    m_window.SaveCsv();
    ASSERT_TRUE(WaitUntil([this] { return !m_window.Busy(); }));
    EXPECT_EQ(m_window.MessageText(),
              "Nicht gespeichert: /nonexistent-folder/verlauf.csv kann nicht geschrieben werden.");
}

TEST_F(HistoryWindowTest, ReadsOffTheWindowsThreadAndTakesALiveMeasurement)
{
    const SyntheticHistory history = TwoServersWithAStep();
    ASSERT_EQ(WriteSyntheticHistory(m_state.HistoryPath(), history), HistoryStatus::Ok);
    m_window.show();
    m_window.Reload();
    EXPECT_TRUE(m_window.Busy()) << "the reading goes on after Reload returns";
    EXPECT_EQ(m_window.MessageText(), "Der Verlauf wird gelesen …");
    EXPECT_TRUE(m_window.Chart()->series().isEmpty());
    ASSERT_TRUE(WaitUntil([this] { return !m_window.Busy(); }));

    m_window.AddMeasurement("c.test", {NowMicroseconds(), 0.001, 0.002});
    EXPECT_EQ(m_window.MessageText(), "241 Messungen von 3 Servern, Uhr 1 Mal gestellt.");
    const std::vector<QXYSeries*> live = SeriesNamed(*m_window.Chart(), "offset:c.test");
    ASSERT_EQ(live.size(), 1u);
    EXPECT_DOUBLE_EQ(live[0]->at(0).y(), 1.0);
}
