#include "DriftFormat.h"
#include "HistoryFormat.h"
#include "HistoryText.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace brisvander {
namespace {

QJsonObject Parsed(const std::string& line)
{
    EXPECT_EQ(line.back(), '\n');
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return document.object();
}

MeasurementRecord Hostile()
{
    MeasurementRecord r;
    r.UnixMicroseconds = 1'790'000'000'123'456;
    r.Host = "evil,\"host\"\x1b[2J\xc2\x9b\x7f\xff";
    r.Succeeded = true;
    r.OffsetSeconds = -0.000123456;
    r.DelaySeconds = 0.02;
    return r;
}

TEST(HistoryText, UtcTimeAcrossEpochAndLeapDay)
{
    EXPECT_EQ(UtcTimeText(0), "1970-01-01T00:00:00.000000Z");
    EXPECT_EQ(UtcTimeText(-1), "1969-12-31T23:59:59.999999Z");
    EXPECT_EQ(UtcTimeText(1'709'210'096'000'001, ' '), "2024-02-29 12:34:56.000001Z");
    EXPECT_EQ(UtcTimeText(2'085'978'496'500'000), "2036-02-07T06:28:16.500000Z");
}

TEST(HistoryFormat, CsvQuotesEscapesAndKeepsItsColumns)
{
    const std::string header = ListingHeader(ListingFormat::Csv);
    const std::string row = ListingLine(ListingFormat::Csv, Hostile());
    EXPECT_EQ(row.substr(row.size() - 2), "\r\n");
    EXPECT_EQ(row.rfind("2026-09-21T", 0), 0u);
    EXPECT_NE(row.find(",\"evil,\"\"host\"\"\\x1b[2J\\x9b\\x7f\\xff\","), std::string::npos) << row;
    EXPECT_NE(row.find(",-0.000123456,0.020000000,"), std::string::npos) << row;
    const auto commas = [](const std::string& line, bool quoted = false) {
        int count = 0;
        for (char c : line)
            quoted = c == '"' ? !quoted : quoted, count += !quoted && c == ',';
        return count;
    };
    EXPECT_EQ(commas(row), commas(header));
    EXPECT_EQ(commas(ListingLine(ListingFormat::Csv, ClockStepRecord{0, "a", -1.5, StepWay::Service})),
              commas(header));
}

TEST(HistoryFormat, JsonLinesReadBackAndCarryNoRawControls)
{
    const std::string line = ListingLine(ListingFormat::JsonLines, Hostile());
    EXPECT_EQ(line.find_first_of("\x1b\x7f"), std::string::npos);
    EXPECT_EQ(line.find("\xc2\x9b"), std::string::npos);
    const QJsonObject object = Parsed(line);
    EXPECT_EQ(object["type"].toString(), "measurement");
    EXPECT_EQ(object["host"].toString(), QString::fromUtf8("evil,\"host\"\x1b[2J\xc2\x9b\x7f\xef\xbf\xbd"));
    EXPECT_EQ(object["clock_offset"].toDouble(), -0.000123456);
    EXPECT_TRUE(object["stratum"].isNull());
    EXPECT_TRUE(object["address"].isNull());

    const QJsonObject step = Parsed(ListingLine(ListingFormat::JsonLines, ClockStepRecord{0, "a", -1.5, StepWay::Service}));
    EXPECT_EQ(step["way"].toString(), "service");
    EXPECT_EQ(step["step"].toDouble(), -1.5);
}

TEST(HistoryFormat, TextRowsLineUpUnderTheirHeadsAndEscapeTheHost)
{
    const std::string header = ListingHeader(ListingFormat::Text);
    const std::string row = ListingLine(ListingFormat::Text, Hostile());
    EXPECT_EQ(row.find('\x1b'), std::string::npos);
    // Positions in characters on the screen: "ö" and "ü" take two bytes.
    const auto column = [](const std::string& line, std::size_t byte) {
        std::size_t characters = 0;
        for (std::size_t i = 0; i < byte; ++i)
            characters += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return characters;
    };
    EXPECT_EQ(column(row, row.find("0.020000000") + 11), column(header, header.find("Verzögerung (s)") + 16));
    EXPECT_EQ(column(row, row.find("evil")), column(header, header.find("Server")));
    const std::string step = ListingLine(ListingFormat::Text, ClockStepRecord{0, "a", -1.5, StepWay::Capability});
    EXPECT_EQ(column(step, step.rfind(" a\n") + 1), column(header, header.find("Server")));
}

TEST(HistoryDriftFormat, JsonHasServersAndCombinedOrNull)
{
    DriftReport report;
    report.Servers.push_back({"ntp.example", {50.5, 0.25, 50.5 * 0.0864, 600, 599}});
    report.Combined = report.Servers[0].Estimate;
    const QJsonObject object = Parsed(DriftReportJson(report));
    const QJsonObject server = object["servers"].toArray().at(0).toObject();
    EXPECT_EQ(server["host"].toString(), "ntp.example");
    EXPECT_EQ(server["drift_ppm"].toDouble(), 50.5);
    EXPECT_EQ(server["drift_ppm_uncertainty"].toDouble(), 0.25);
    EXPECT_EQ(server["measurements"].toInt(), 600);
    EXPECT_EQ(server["span_seconds"].toDouble(), 599);
    EXPECT_FALSE(object["combined"].toObject().contains("host"));
    EXPECT_EQ(object["combined"].toObject()["seconds_per_day"].toDouble(), 50.5 * 0.0864);

    EXPECT_TRUE(Parsed(DriftReportJson({}))["combined"].isNull());
    EXPECT_NE(DriftReportText({}).find("mindestens 5 Messungen"), std::string::npos);
}

} // namespace
} // namespace brisvander
