// The command-line program in-process: exact texts, JSON, exit statuses.
// A recording clock stands in for the real one.
#include "CliRun.h"
#include "FakeSntpServer.h"
#include "LocalNameLookup.h"
#include "RecordingClockControl.h"
#include "ReportText.h"
#include "StoredHost.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <regex>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
struct CliOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

CliOutcome RunWith(ClockControl& clock, QStringList args)
{
    args.prepend("brisvander-cli");
    CliOutcome run;
    run.status = RunCli(args, clock, run.out, run.err);
    return run;
}

const char* const kStampLine = R"(\d\d\.\d\d\.\d{4}\t\d\d:\d\d:\d\d\.\d{3}\n)";

std::string SuccessPattern(const std::string& preamble)
{
    return std::regex_replace(preamble, std::regex(R"([.])"), R"(\.)") +
           "Diese Daten wurde vom NTP Server übertragen:\n\n"
           "\t\t\tDD\\.MM\\.YYYY\tHH:MM:SS\\.MS\n"
           "Client Orginal Daten:\t" + kStampLine +
           "Server Receive Daten:\t" + kStampLine +
           "Server Transmit Daten:\t" + kStampLine +
           "Client Ziel Daten:\t\t" + kStampLine + "\n"
           "Verzögerung:\t\t-?\\d+\\.\\d{6} Sekunden\\.\n"
           "Differenz zur Lokalzeit:\t(-?\\d+\\.\\d{6}) Sekunden\\.\n";
}

double OffsetIn(const std::string& report)
{
    std::smatch m;
    EXPECT_TRUE(std::regex_search(report, m, std::regex("Differenz zur Lokalzeit:\t(-?[0-9.]+)")));
    return m.empty() ? 0.0 : std::stod(m[1].str());
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

    QTemporaryDir m_config;
    FakeSntpServer m_server;
};

TEST_F(CliRunTest, InfoPrintsTheReportAndOneLineBreak)
{
    m_server.SetClockOffset(2.5);
    RecordingClockControl clock;
    const CliOutcome run = RunWith(clock, {"info", "127.0.0.1", "--port", Port()});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.empty());
    EXPECT_TRUE(std::regex_match(run.out, std::regex(SuccessPattern(ReportPreamble(ReportCommand::Info, "127.0.0.1")) + "\n")))
        << run.out;
    EXPECT_NEAR(OffsetIn(run.out), 2.5, 0.01);
    EXPECT_TRUE(clock.Of(RecordingClockControl::Call::Step).empty()) << "info must never set the clock";
}

TEST_F(CliRunTest, SyncSetsTheClockByTheOffsetAndSaysSo)
{
    m_server.SetClockOffset(-1.5);
    RecordingClockControl clock;
    const CliOutcome run = RunWith(clock, {"sync", "127.0.0.1", "--port", Port()});
    EXPECT_EQ(run.status, 0);
    const std::string tail = "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.\n";
    ASSERT_GT(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
    EXPECT_TRUE(std::regex_match(run.out.substr(0, run.out.size() - tail.size()),
                                 std::regex(SuccessPattern(ReportPreamble(ReportCommand::Sync, "127.0.0.1")))))
        << run.out;
    const auto sets = clock.Of(RecordingClockControl::Call::Step);
    ASSERT_EQ(sets.size(), 1u);
    // Asked for "now" plus the offset, now being the moment of setting.
    EXPECT_NEAR(sets[0].StepSeconds(), -1.5, 0.005);
}

TEST_F(CliRunTest, SyncThatCannotSetTheClockExitsTwo)
{
    RecordingClockControl clock;
    clock.stepResult = false;
    const CliOutcome run = RunWith(clock, {"sync", "127.0.0.1", "--port", Port()});
    EXPECT_EQ(run.status, 2);
    const std::string tail = ReportClockOutcome(ClockSetting::NoRight) + "\n";
    ASSERT_GT(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
}

TEST_F(CliRunTest, FailedQueryPrintsTheFailureTextExactly)
{
    RecordingClockControl clock;
    const int closed = ClosedUdpPort();
    const CliOutcome info = RunWith(clock, {"info", "127.0.0.1", "--port", QString::number(closed)});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "Verbinde mit SNTP Zeitserver: 127.0.0.1\n"
                        "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal "
                        "versuchen.\n(Fehler Nr. 10054)\n\nOK.\n");

    const CliOutcome sync = RunWith(clock, {"sync", "127.0.0.1", "--port", QString::number(closed)});
    EXPECT_EQ(sync.status, 1);
    EXPECT_EQ(sync.out, "Verbinde mit SNTP Zeitserver: 127.0.0.1\n"
                        "Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n"
                        "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal "
                        "versuchen.\n(Fehler Nr. 10054)\n\nOK.\n");
    EXPECT_TRUE(clock.Of(RecordingClockControl::Call::Step).empty());
}

TEST_F(CliRunTest, JsonCarriesEveryFieldAndNullsWhatFailureCannotFill)
{
    m_server.SetClockOffset(0.25);
    RecordingClockControl clock;
    const CliOutcome ok = RunWith(clock, {"sync", "127.0.0.1", "--port", Port(), "--json"});
    EXPECT_EQ(ok.status, 0);
    ASSERT_EQ(ok.out.back(), '\n');
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(ok.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << ok.out;
    const QStringList keys = {"clock_offset", "clock_set", "command", "destination", "error", "host",
                              "leap_indicator", "originate", "port", "receive", "roundtrip_delay", "stratum",
                              "success", "transmit"};
    EXPECT_EQ(o.keys(), keys);
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
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    for (const char* key : {"originate", "receive", "transmit", "destination"})
        EXPECT_TRUE(std::regex_match(o[key].toString().toStdString(), iso)) << key;

    const CliOutcome failed = RunWith(clock, {"info", "127.0.0.1", "--port", QString::number(ClosedUdpPort()),
                                       "--json"});
    EXPECT_EQ(failed.status, 1);
    const QJsonObject f = QJsonDocument::fromJson(QByteArray::fromStdString(failed.out)).object();
    EXPECT_FALSE(f.contains("clock_set"));
    EXPECT_FALSE(f["success"].toBool(true));
    EXPECT_EQ(f["error"].toInt(), 10054);
    for (const char* key : {"leap_indicator", "stratum", "originate", "receive", "transmit", "destination",
                            "roundtrip_delay", "clock_offset"})
        EXPECT_TRUE(f[key].isNull()) << key;
}

TEST_F(CliRunTest, HostComesFromTheSettingsElseTheDefault)
{
    EXPECT_EQ(StoredOrDefaultHost(), "ptbtime1.ptb.de");
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillmade", "Brisvander");
        settings.setValue("Settings/Host", "127.0.0.1");
        settings.setValue("Settings/Autostart", 1);
    }
    EXPECT_EQ(StoredOrDefaultHost(), "127.0.0.1");

    RecordingClockControl clock;
    const CliOutcome run = RunWith(clock, {"info", "--port", Port()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Verbinde mit SNTP Zeitserver: 127.0.0.1\n", 0), 0u) << run.out;
}

TEST_F(CliRunTest, UsageErrorsExitSixtyFourWithAMessage)
{
    RecordingClockControl clock;
    for (const QStringList& args : {QStringList{}, QStringList{"info", "--port", "0"},
                                    QStringList{"info", "--port", "70000"}, QStringList{"frobnicate"}}) {
        const CliOutcome run = RunWith(clock, args);
        EXPECT_EQ(run.status, 64);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(CliRunTest, BadHostsFailWithANumberNeverACrash)
{
    RecordingClockControl clock;
    for (const std::string& host : {std::string(), std::string(300, 'a'), std::string("zeit server.invalid"),
                                    std::string("zeitüberall.invalid")}) {
        const CliOutcome run = RunWith(clock, {"sync", QString::fromStdString(host), "--port", Port()});
        EXPECT_EQ(run.status, 1) << host;
        EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(\(Fehler Nr\. [1-9][0-9]*\)\n\nOK\.\n$)"))) << run.out;
    }
    EXPECT_TRUE(clock.Of(RecordingClockControl::Call::Step).empty());
}
