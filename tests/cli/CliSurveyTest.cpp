// brisvander-cli survey in-process against many loopback servers in one
// thread: the list file's bad lines, the verdict and its exit status, and
// the options a survey refuses.
#include "CliExitStatus.h"
#include "CliRun.h"
#include "CliSurvey.h"
#include "CollectedCliOutput.h"
#include "LoopbackServerFarm.h"
#include "PreparedHistory.h"
#include "RecordingClockControl.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct SurveyRun {
    int status = -1;
    CollectedCliOutput output;
};

SurveyRun SurveyCli(QStringList args)
{
    args.prepend("survey");
    args.prepend("brisvander-cli");
    RecordingClockControl clock;
    const StateHomeSandbox state; // a survey records its answers
    SurveyRun run;
    run.status = RunCli(args, clock, run.output);
    return run;
}

QString WriteList(const QTemporaryDir& dir, const char* text)
{
    const QString path = dir.filePath("servers.txt");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}
} // namespace

TEST(CliSurvey, AListWithABadLineGivesTheVerdictOfTheRest)
{
    LoopbackServerFarm farm({{"127.0.2.1", 5, 0.0}, {"127.0.2.2", 10, 0.0}, {"127.0.2.3", 15, 0.0},
                             {"127.0.2.4", 5, 0.5}});
    ASSERT_NE(farm.Port(), 0);
    QTemporaryDir dir;
    const QString list =
        WriteList(dir, "# four servers\n127.0.2.1\n  127.0.2.2  # blanks and a comment\nnot a host\n127.0.2.3\n127.0.2.4\n");
    const SurveyRun run = SurveyCli({"--list", list, "--port", QString::number(farm.Port()), "--json"});
    EXPECT_EQ(run.status, 0) << run.output.out << run.output.err;
    EXPECT_NE(run.output.err.find("line 4 names no host: not a host"), std::string::npos) << run.output.err;
    const QJsonObject survey = QJsonDocument::fromJson(QByteArray::fromStdString(run.output.out)).object();
    EXPECT_EQ(survey["asked"].toInt(), 4);
    EXPECT_EQ(survey["agreeing"].toInt(), 3);
    const QJsonArray servers = survey["servers"].toArray();
    ASSERT_EQ(servers.size(), 4);
    EXPECT_EQ(servers[1].toObject()["host"].toString(), "127.0.2.2");
    EXPECT_EQ(servers[3].toObject()["verdict"].toString(), "disagrees");
}

TEST(CliSurvey, ExitStatusSaysWhetherAVerdictCame)
{
    LoopbackServerFarm farm({{"127.0.2.5", 5, 0.0}, {"127.0.2.6", 5, 0.0},
                             {"127.0.2.7", 0, 0.0, FarmServer::Manner::Closed}});
    ASSERT_NE(farm.Port(), 0);
    const QString port = QString::number(farm.Port());
    const SurveyRun two = SurveyCli({"127.0.2.5", "127.0.2.6", "127.0.2.7", "--port", port});
    EXPECT_EQ(two.status, ExitNoVerdict);
    EXPECT_NE(two.output.out.find("127.0.2.7"), std::string::npos) << two.output.out;
    const SurveyRun none = SurveyCli({"127.0.2.7", "--port", port, "--csv"});
    EXPECT_EQ(none.status, ExitQueryFailed);
    EXPECT_EQ(none.output.out.rfind("host,address,port,", 0), 0u) << none.output.out;
}

TEST(CliSurvey, OptionsASurveyRefuses)
{
    struct Case {
        QStringList args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--samples", "5"}, "invalid sample count"},
        {{"--interval", "1"}, "invalid interval"},
        {{"--json", "--csv"}, "exclude"},
        {{"--list", "/nonexistent/list"}, "cannot read the host list"},
        {{"--nts-port", "4460"}, "need --nts or --nts-auto"},
        {{"--nts", "--nts-auto"}, "exclude"},
    };
    for (const Case& c : cases) {
        const SurveyRun run = SurveyCli(c.args);
        EXPECT_EQ(run.status, ExitUsage) << c.args.join(' ').toStdString();
        EXPECT_NE(run.output.err.find(c.mentions), std::string::npos) << run.output.err;
    }
    RecordingClockControl clock;
    CollectedCliOutput output;
    EXPECT_EQ(RunCli({"brisvander-cli", "info", "--list", "x"}, clock, output), ExitUsage);
    EXPECT_NE(output.err.find("--list is not an option of info"), std::string::npos) << output.err;
}
