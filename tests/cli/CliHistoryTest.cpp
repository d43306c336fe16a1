// brisvander-cli history over a prepared history, and --no-history, in
// process, each in a state folder of its own.
#include "CliRun.h"
#include "CollectedCliOutput.h"
#include "FakeSntpServer.h"
#include "PreparedHistory.h"
#include "RecordingClockControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct HistoryRun {
    int status = -1;
    CollectedCliOutput output;
};

HistoryRun Cli(QStringList args)
{
    args.prepend("brisvander-cli");
    RecordingClockControl clock;
    HistoryRun run;
    run.status = RunCli(args, clock, run.output);
    return run;
}
} // namespace

TEST(CliHistory, ListsAndFitsThePreparedHistory)
{
    StateHomeSandbox sandbox;
    SyntheticHistory made;
    made.FromMicroseconds = std::int64_t{1777636800} * 1'000'000; // 2026-05-01 12:00 UTC
    made.Count = 40;
    made.DriftPpm = 50;
    made.StepAfter = 20;
    ASSERT_EQ(WriteSyntheticHistory(sandbox.HistoryPath(), made), HistoryStatus::Ok);

    // Each server's measurements on either side of the step, and the step.
    const HistoryRun drift = Cli({"history", "--drift", "--json"});
    ASSERT_EQ(drift.status, 0) << drift.output.err;
    const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(drift.output.out)).object();
    const QJsonArray servers = report["servers"].toArray();
    ASSERT_EQ(servers.size(), 2) << drift.output.out;
    for (const QJsonValue& server : servers) {
        EXPECT_NEAR(server["drift_ppm"].toDouble(), 50.0, 0.01) << drift.output.out;
        EXPECT_EQ(server["measurements"].toInt(), 20);
    }
    EXPECT_NEAR(report["combined"]["drift_ppm"].toDouble(), 50.0, 0.01);
    EXPECT_NEAR(report["combined"]["seconds_per_day"].toDouble(), 4.32, 0.001);

    const HistoryRun csv = Cli({"history", "--csv", "--server", " b.test ", "--since", "2026-05-01T12:00:35Z"});
    ASSERT_EQ(csv.status, 0) << csv.output.err;
    const QStringList rows = QString::fromStdString(csv.output.out).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows[0].startsWith("time,type,host")) << rows[0].toStdString();
    // b.test has every other measurement, from the second at 12:00:10; the
    // filter starts at 12:00:35, so its 12:00:50 onwards.
    EXPECT_TRUE(rows[1].startsWith("2026-05-01T12:00:50")) << csv.output.out;
    EXPECT_GE(rows.size(), 18);
    for (const QString& row : rows.mid(1))
        EXPECT_TRUE(row.contains(",b.test,")) << row.toStdString();

    EXPECT_EQ(Cli({"history", "--drift", "--csv"}).status, 64);
}

TEST(CliHistory, NoHistoryLeavesNoFileAndAMissingFileIsAnEmptyHistory)
{
    StateHomeSandbox sandbox;
    FakeSntpServer server;
    const QString port = QString::number(server.Port());
    const HistoryRun quiet = Cli({"info", "127.0.0.1", "--port", port, "--no-history"});
    EXPECT_EQ(quiet.status, 0) << quiet.output.err;
    const HistoryRun none = Cli({"history", "--json"});
    EXPECT_EQ(none.status, 0) << none.output.err;
    EXPECT_EQ(none.output.out, "");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(sandbox.HistoryPath())));

    const HistoryRun kept = Cli({"info", "127.0.0.1", "--port", port});
    EXPECT_EQ(kept.status, 0) << kept.output.err;
    EXPECT_TRUE(kept.output.err.empty()) << kept.output.err;
    const HistoryRun listed = Cli({"history", "--json"});
    const QJsonObject entry = QJsonDocument::fromJson(QByteArray::fromStdString(listed.output.out)).object();
    EXPECT_EQ(entry["host"].toString(), "127.0.0.1") << listed.output.out;
    EXPECT_EQ(entry["type"].toString(), "measurement");
}

TEST(CliHistory, AnUnwritableHistoryIsSaidOnceAndTheMeasurementGoesOn)
{
    StateHomeSandbox sandbox;
    // A folder where the file should be: it can be neither opened nor made.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(sandbox.HistoryPath())));
    FakeSntpServer server;
    const HistoryRun run = Cli({"info", "127.0.0.1", "--port", QString::number(server.Port()), "--samples", "3",
                                "--interval", "0.2"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(QString::fromStdString(run.output.err).count("Der Verlauf konnte nicht geschrieben werden"), 1)
        << run.output.err;
    EXPECT_TRUE(QFileInfo(QString::fromStdString(sandbox.HistoryPath())).isDir());
}
