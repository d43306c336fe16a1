// What a person and a script read of a survey: the German table and its
// closing sentence, JSON and CSV.
#include "ReferenceText.h"
#include "SurveyCsv.h"
#include "SurveyJson.h"
#include "SurveyTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace brisvander;

namespace {
HostSurvey Answer(const char* host, const char* address, double offset, int stratum = 2,
                  std::uint32_t reference = 0xC0000201)
{
    HostSurvey h;
    h.Host = host;
    h.Address = address;
    h.Port = 123;
    h.Failure = SurveyFailure::None;
    h.Offset = offset;
    h.Delay = 0.002;
    h.RootDispersion = 0.02;
    h.Stratum = stratum;
    h.ReferenceId = reference;
    return h;
}

std::vector<HostSurvey> Sample()
{
    HostSurvey silent;
    silent.Host = "stumm.example";
    silent.Port = 123;
    silent.Error = 11001;
    HostSurvey kissed = Answer("drossel.example", "192.0.2.14", 0);
    kissed.Failure = SurveyFailure::RateLimited;
    kissed.Error = 20003;
    kissed.Stratum = 0;
    kissed.ReferenceId = 0x52415445; // RATE
    return {silent, Answer("weit\x1b[2J.example", "192.0.2.11", -0.500), Answer("b.example", "192.0.2.12", -0.020),
            kissed, Answer("a.example", "192.0.2.13", 0.010, 1, 0x50544200), Answer("c.example", "192.0.2.15", 0.015)};
}
} // namespace

TEST(SurveyText, AgreeingFirstThenByOffsetWithEscapedHosts)
{
    const std::vector<HostSurvey> hosts = Sample();
    const SurveyVerdict verdict = JudgeSurvey(hosts);
    EXPECT_EQ(SurveyTableOrder(hosts, verdict), (std::vector<std::size_t>{4, 5, 2, 1, 0, 3}));
    const std::string table = SurveyTableText(hosts, verdict);
    EXPECT_EQ(table.find('\x1b'), std::string::npos);
    EXPECT_NE(table.find("weit\\x1b[2J.example"), std::string::npos);
    EXPECT_NE(table.find("PTB"), std::string::npos);
    EXPECT_NE(table.find("keine Antwort (Fehler Nr. 11001)"), std::string::npos);
    EXPECT_NE(table.find("gedrosselt"), std::string::npos);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 7);
}

TEST(SurveyText, TheSentenceSaysWhichWayTheClockIsWrong)
{
    SurveyVerdict verdict;
    verdict.Reason = VerdictReason::Given;
    verdict.Answered = 5;
    verdict.Agreeing = 4;
    verdict.ConsensusOffset = 0.25;
    verdict.ConsensusSpread = 0.002;
    EXPECT_EQ(ConsensusSentence(verdict),
              "Die Uhr dieses Rechners geht 0.250000 Sekunden nach (Median von 4 übereinstimmenden der 5 antwortenden "
              "Server, Streuung ±0.002000 Sekunden). 1 Server weicht ab.\n");
    verdict.ConsensusOffset = -0.25;
    EXPECT_NE(ConsensusSentence(verdict).find("geht 0.250000 Sekunden vor"), std::string::npos);
    verdict.Reason = VerdictReason::TooFewAnswers;
    verdict.Answered = 2;
    EXPECT_EQ(ConsensusSentence(verdict), "Nur 2 Server haben geantwortet; für ein Urteil braucht es mindestens 3.\n");
}

TEST(SurveyJson, OneObjectPerHostAndTheConsensus)
{
    const std::vector<HostSurvey> hosts = Sample();
    const QJsonObject object = QJsonDocument::fromJson(SurveyToJson(hosts, JudgeSurvey(hosts))).object();
    const QJsonArray servers = object["servers"].toArray();
    ASSERT_EQ(servers.size(), 6);
    EXPECT_TRUE(servers[0].toObject()["address"].isNull());
    EXPECT_TRUE(servers[0].toObject()["offset"].isNull());
    EXPECT_EQ(servers[0].toObject()["verdict"].toString(), "no answer");
    EXPECT_EQ(servers[1].toObject()["verdict"].toString(), "disagrees");
    EXPECT_EQ(servers[3].toObject()["reference"].toString(), "RATE");
    EXPECT_EQ(servers[4].toObject()["reference"].toString(), "PTB");
    EXPECT_EQ(servers[5].toObject()["reference"].toString(), "192.0.2.1");
    EXPECT_DOUBLE_EQ(servers[5].toObject()["offset"].toDouble(), 0.015);
    EXPECT_EQ(object["answered"].toInt(), 4);
    EXPECT_EQ(object["agreeing"].toInt(), 3);
    EXPECT_DOUBLE_EQ(object["consensus_offset"].toDouble(), 0.010);

    const std::vector<HostSurvey> two(hosts.begin() + 4, hosts.end());
    const QJsonObject none = QJsonDocument::fromJson(SurveyToJson(two, JudgeSurvey(two))).object();
    EXPECT_TRUE(none["servers"].toArray()[0].toObject()["verdict"].isNull());
    EXPECT_TRUE(none["consensus_offset"].isNull());
}

TEST(SurveyCsv, QuotesAsRfc4180Asks)
{
    EXPECT_EQ(CsvField("plain.example"), "plain.example");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    const std::vector<HostSurvey> hosts{Answer("a.example", "192.0.2.10", 0.01), Answer("b.example", "192.0.2.11", 0.011)};
    const std::string csv = SurveyToCsv(hosts, JudgeSurvey(hosts));
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "host,address,port,success,error,offset,delay,stratum,reference,nts,verdict");
    EXPECT_NE(csv.find("\r\na.example,192.0.2.10,123,true,0,0.010000000,0.002000000,2,192.0.2.1,false,\r\n"),
              std::string::npos);
}

TEST(SurveyReferenceText, LettersForStratumOneAndAnAddressAbove)
{
    EXPECT_EQ(ReferenceText(1, 0x47505300), "GPS");
    EXPECT_EQ(ReferenceText(1, 0x0A505053), "?PPS");
    EXPECT_EQ(ReferenceText(3, 0x7F000001), "127.0.0.1");
}
