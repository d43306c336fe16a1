// The command-line program in-process: exact texts, JSON, exit statuses.
// A recording clock stands in for the real one, and the pauses between
// samples are recorded instead of waited.
#include "CliJson.h"
#include "CliRun.h"
#include "CollectedCliOutput.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "PreparedHistory.h"
#include "RecordingClockControl.h"
#include "ReportShape.h"
#include "ReportText.h"
#include "SeriesScript.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <regex>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using namespace std::chrono_literals;

struct CliOutcome {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::chrono::milliseconds> pauses;
};

QJsonObject JsonOf(const CliOutcome& run)
{
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
    return object;
}

} // namespace

class CliRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        // Names that must not resolve are never asked of a real name server.
        KeepNameLookupsLocal();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }
    QString Port() const { return QString::number(m_server.Port()); }
    CliOutcome Run(QStringList args)
    {
        args.prepend("brisvander-cli");
        CliOutcome run;
        CollectedCliOutput output;
        run.status = RunCli(args, m_clock, output, [&run](std::chrono::milliseconds pause) { run.pauses.push_back(pause); });
        run.out = output.out;
        run.err = output.err;
        return run;
    }

    QTemporaryDir m_config;
    StateHomeSandbox m_state; // every run records its measurements
    FakeSntpServer m_server;
    RecordingClockControl m_clock;
};

TEST_F(CliRunTest, JsonCarriesEveryFieldAndNullsWhatFailureCannotFill)
{
    m_server.SetClockOffset(0.25);
    const CliOutcome ok = Run({"sync", "127.0.0.1", "--port", Port(), "--json"});
    EXPECT_EQ(ok.status, 0);
    ASSERT_EQ(ok.out.back(), '\n');
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(ok.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << ok.out;
    const QStringList keys = {"chosen",     "clock_error",      "clock_offset",     "clock_set",  "command",
                              "destination", "error",           "host",             "interleaved", "leap_indicator",
                              "nts",        "nts_cookies_left", "nts_error",        "nts_key_exchange",
                              "nts_server", "originate",        "port",             "receive",    "roundtrip_delay",
                              "samples",    "stratum",          "success",          "transmit"};
    EXPECT_EQ(o.keys(), keys);
    EXPECT_FALSE(o["nts"].toBool(true));
    EXPECT_TRUE(o["nts_server"].isNull());
    EXPECT_TRUE(o["nts_error"].isNull());
    EXPECT_TRUE(o["nts_key_exchange"].isNull());
    EXPECT_TRUE(o["nts_cookies_left"].isNull());
    EXPECT_EQ(o["command"].toString(), "sync");
    EXPECT_EQ(o["host"].toString(), "127.0.0.1");
    EXPECT_EQ(o["port"].toInt(), m_server.Port());
    EXPECT_TRUE(o["success"].toBool());
    EXPECT_EQ(o["error"].toInt(-1), 0);
    EXPECT_EQ(o["leap_indicator"].toInt(-1), 0);
    EXPECT_EQ(o["stratum"].toInt(), 2);
    EXPECT_NEAR(o["clock_offset"].toDouble(), 0.25, 0.01);
    EXPECT_GT(o["roundtrip_delay"].toDouble(), -0.001);
    EXPECT_TRUE(o["clock_set"].toBool());
    EXPECT_TRUE(o["clock_error"].isNull());
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    for (const char* key : {"originate", "receive", "transmit", "destination"})
        EXPECT_TRUE(std::regex_match(o[key].toString().toStdString(), iso)) << key;
    // One exchange without --samples: it is the chosen one.
    EXPECT_EQ(o["chosen"].toInt(-1), 0);
    ASSERT_EQ(o["samples"].toArray().size(), 1);
    EXPECT_EQ(o["samples"][0]["clock_offset"].toDouble(), o["clock_offset"].toDouble());
    EXPECT_EQ(o["samples"][0]["roundtrip_delay"].toDouble(), o["roundtrip_delay"].toDouble());
    EXPECT_EQ(o["samples"][0]["error"].toInt(-1), 0);

    const CliOutcome failed = Run({"info", "127.0.0.1", "--port", QString::number(ClosedUdpPort()),
                                       "--json"});
    EXPECT_EQ(failed.status, 1);
    const QJsonObject f = QJsonDocument::fromJson(QByteArray::fromStdString(failed.out)).object();
    EXPECT_FALSE(f.contains("clock_set"));
    EXPECT_FALSE(f["success"].toBool(true));
    EXPECT_EQ(f["error"].toInt(), 10054);
    for (const char* key : {"leap_indicator", "stratum", "originate", "receive", "transmit", "destination",
                            "roundtrip_delay", "clock_offset", "chosen"})
        EXPECT_TRUE(f[key].isNull()) << key;
    ASSERT_EQ(f["samples"].toArray().size(), 1);
    EXPECT_EQ(f["samples"][0]["error"].toInt(), 10054);
    EXPECT_TRUE(f["samples"][0]["clock_offset"].isNull());
    EXPECT_TRUE(f["samples"][0]["roundtrip_delay"].isNull());

    // sync whose query failed never tried the clock: neither true nor false.
    const CliOutcome failedSync = Run({"sync", "127.0.0.1", "--port", QString::number(ClosedUdpPort()),
                                           "--json"});
    EXPECT_EQ(failedSync.status, 1);
    const QJsonObject fs = JsonOf(failedSync);
    ASSERT_TRUE(fs.contains("clock_set"));
    EXPECT_TRUE(fs["clock_set"].isNull());
    EXPECT_TRUE(fs["clock_error"].isNull());

    // A refused clock after a good query is false, and the program exits 2.
    m_clock.stepResult = false;
    const CliOutcome refused = Run({"sync", "127.0.0.1", "--port", Port(), "--json"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(JsonOf(refused)["clock_set"].isBool());
    EXPECT_FALSE(JsonOf(refused)["clock_set"].toBool(true));
}

// One stable token per reason the clock was not set.
TEST_F(CliRunTest, JsonSaysWhyTheClockWasNotSetInOneToken)
{
    using Kind = FailureKind;
    const std::pair<Kind, const char*> tokens[] = {
        {Kind::ClockNotAuthorised, "denied"},     {Kind::ClockAutomaticSyncOn, "ntp-active"},
        {Kind::ClockNoBus, "no-bus"},             {Kind::ClockNoService, "no-service"},
        {Kind::ClockNoAgent, "no-agent"},         {Kind::ClockNoAnswer, "no-answer"},
        {Kind::ClockStillPending, "no-answer"},   {Kind::ClockServiceGone, "service-gone"},
        {Kind::ClockNoRight, "no-right"},         {Kind::ClockRightOutOfReach, "no-right"},
        {Kind::ClockKernelRefused, "kernel-refused"}, {Kind::ClockRefused, "kernel-refused"},
    };
    TimeCommandOutcome outcome;
    outcome.QuerySucceeded = true;
    outcome.ClockAttempted = true;
    for (const auto& [kind, token] : tokens) {
        outcome.ClockFailure = FailureOf(kind);
        const QJsonObject o = QJsonDocument::fromJson(OutcomeToJson(ReportCommand::Sync, outcome)).object();
        EXPECT_EQ(o["clock_error"].toString().toStdString(), token);
    }
}

TEST_F(CliRunTest, UsageErrorsExitSixtyFourWithAMessage)
{
    for (const QStringList& args : {QStringList{}, QStringList{"info", "--port", "0"},
                                    QStringList{"info", "--port", "70000"}, QStringList{"frobnicate"}}) {
        const CliOutcome run = Run(args);
        EXPECT_EQ(run.status, 64);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(CliRunTest, SamplesReportTheLeastDelayedExchangeAndSayWhich)
{
    m_server.SetScript(SeriesScript({Reply(80, 1.0), Reply(0, 2.0), Reply(40, 3.0)}));
    const CliOutcome run = Run({"info", "127.0.0.1", "--port", Port(), "--samples", "3", "--interval",
                                           "0.2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(m_server.RequestCount(), 3);
    EXPECT_EQ(run.pauses, (std::vector<std::chrono::milliseconds>{200ms, 200ms}));
    // Today's report of the chosen exchange, then the one line about the series.
    const auto report = ParseSuccessReport(run.out, "127.0.0.1");
    ASSERT_TRUE(report) << run.out;
    EXPECT_FALSE(report->Sync);
    EXPECT_EQ(report->Outcome, "\n3 Messungen durchgeführt, verwendet wurde Nr. 2 (kleinste Verzögerung).\n");
    EXPECT_NEAR(report->Offset, 2.0, 0.05); // the others are a second away
}

TEST_F(CliRunTest, SamplesInJsonListEveryExchangeAndTheChosenIndex)
{
    m_server.SetScript(SeriesScript({Reply(20, 1.0), KissOfDeath()}));
    const CliOutcome run = Run({"sync", "127.0.0.1", "--port", Port(), "--samples", "4", "--json"});
    EXPECT_EQ(run.status, 0);
    // The default interval, and no third request after the Kiss-o'-Death.
    EXPECT_EQ(run.pauses, (std::vector<std::chrono::milliseconds>{2000ms}));
    EXPECT_EQ(m_server.RequestCount(), 2);
    const QJsonObject o = JsonOf(run);
    const QJsonArray samples = o["samples"].toArray();
    ASSERT_EQ(samples.size(), 2);
    EXPECT_EQ(o["chosen"].toInt(-1), 0);
    EXPECT_EQ(samples[0]["error"].toInt(-1), 0);
    EXPECT_GE(samples[0]["roundtrip_delay"].toDouble(), 0.020);
    const double delay = samples[0]["roundtrip_delay"].toDouble();
    const double trip = OutboundTripSeconds(samples[0]["clock_offset"].toDouble(), delay, 1.0);
    EXPECT_GE(trip, -1e-4);
    EXPECT_LE(trip, delay - 0.020 + 1e-4);
    EXPECT_EQ(samples[1]["error"].toInt(), 20003);
    EXPECT_TRUE(samples[1]["clock_offset"].isNull());
    EXPECT_TRUE(samples[1]["roundtrip_delay"].isNull());
    // The top-level figures are the chosen exchange's, and the clock moved by its offset.
    EXPECT_EQ(o["clock_offset"].toDouble(), samples[0]["clock_offset"].toDouble());
    EXPECT_TRUE(o["success"].toBool());
    EXPECT_EQ(o["error"].toInt(-1), 0);
    EXPECT_TRUE(o["clock_set"].toBool());
    ASSERT_EQ(m_clock.Of(RecordingClockControl::Call::Step).size(), 1u);
    EXPECT_NEAR(m_clock.Of(RecordingClockControl::Call::Step)[0].StepSeconds(), o["clock_offset"].toDouble(), 1e-6);
}

TEST_F(CliRunTest, SamplesThatAllFailEndWithTheFailureAndTheCount)
{
    const CliOutcome run = Run({"sync", "127.0.0.1", "--port", QString::number(ClosedUdpPort()),
                                           "--samples", "2", "--interval", "0.5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.pauses, (std::vector<std::chrono::milliseconds>{500ms}));
    EXPECT_EQ(run.out, "Verbinde mit SNTP Zeitserver: 127.0.0.1\n"
                       "Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n"
                       "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal "
                       "versuchen.\n(Fehler Nr. 10054)\n\nOK.\n"
                       "2 Messungen durchgeführt, keine war erfolgreich.\n");
    EXPECT_TRUE(m_clock.records.empty());
}

TEST_F(CliRunTest, BlanksAroundTheHostAreNotQueried)
{
    const CliOutcome run = Run({"info", " 127.0.0.1 ", "--port", Port(), "--json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(JsonOf(run)["host"].toString(), "127.0.0.1");
    const CliOutcome text = Run({"info", "\u00A0127.0.0.1\n", "--port", Port()});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("Verbinde mit SNTP Zeitserver: \u00A0127.0.0.1\\x0a\nDiese Daten", 0), 0u) << text.out;
}

TEST_F(CliRunTest, ControlCharactersFromInputNeverReachTheTerminalRaw)
{
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillmade", "Brisvander");
        settings.setValue("Settings/Host", "\x1b]0;owned\x07\x1b[2J\u009b2Jzeitüberall.invalid");
    }
    const CliOutcome stored = Run({"info", "--port", Port()});
    EXPECT_EQ(stored.status, 1);
    EXPECT_EQ(stored.out.rfind("Verbinde mit SNTP Zeitserver: \\x1b]0;owned\\x07\\x1b[2J\\x9b2Jzeitüberall.invalid\n"
                               "Fehler, konnte keine Zeit",
                               0),
              0u)
        << stored.out;

    const CliOutcome typed = Run({"info", "\x1b[2J", "--port", Port()});
    const CliOutcome usage = Run({"\x1b[2J"});
    EXPECT_EQ(usage.status, 64);
    EXPECT_NE(usage.err.find("unknown command: \\x1b[2J"), std::string::npos) << usage.err;
    for (const CliOutcome* run : {&stored, &typed, &usage}) {
        for (const std::string* text : {&run->out, &run->err}) {
            for (const char* raw : {"\x1b", "\x07", "\u009b"})
                EXPECT_EQ(text->find(raw), std::string::npos) << *text;
        }
    }
}

TEST_F(CliRunTest, AStoreThatCannotBeReadIsReportedBeforeTheDefaultIsUsed)
{
    const QString folder = m_config.path() + "/Quillmade";
    const QString store = folder + "/Brisvander.conf";
    ASSERT_TRUE(QDir().mkpath(store)); // a folder where the file should be
    // The default server is not in the local hosts file, so asking for it goes nowhere.
    const CliOutcome notAFile = Run({"info", "--port", Port()});
    EXPECT_EQ(notAFile.err, "brisvander-cli: the settings store " + store.toStdString() +
                                " is not a file; using ptbtime1.ptb.de\n");
    EXPECT_EQ(notAFile.out.rfind("Verbinde mit SNTP Zeitserver: ptbtime1.ptb.de\n", 0), 0u) << notAFile.out;

    ASSERT_TRUE(QDir(store).removeRecursively());
    QFile garbage(store);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    const char bytes[] = "\x00\x01 this is not\nan ini file at all\xff\n";
    garbage.write(bytes, sizeof bytes - 1);
    garbage.close();
    const CliOutcome malformed = Run({"info", "--port", Port()});
    EXPECT_EQ(malformed.err, "brisvander-cli: the settings store " + store.toStdString() +
                                 " is not a settings file; using ptbtime1.ptb.de\n");

    // What parses in a damaged file is still used, without a word.
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write("[Settings\nHost=127.0.0.1\n");
    garbage.close();
    const CliOutcome partly = Run({"info", "--port", Port()});
    EXPECT_EQ(partly.status, 0);
    EXPECT_EQ(partly.err, "");
    EXPECT_EQ(partly.out.rfind("Verbinde mit SNTP Zeitserver: 127.0.0.1\n", 0), 0u) << partly.out;

    // A host on the command line needs no store.
    ASSERT_TRUE(QFile::remove(store));
    ASSERT_TRUE(QDir().mkpath(store));
    const CliOutcome typed = Run({"info", "127.0.0.1", "--port", Port()});
    EXPECT_EQ(typed.status, 0);
    EXPECT_EQ(typed.err, "");
}
