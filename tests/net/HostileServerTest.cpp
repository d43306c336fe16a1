// A hostile or broken server at the other end: every reply length, every
// leap value, the 2036 wrap and a reply sent twice. Each ends with success or
// its failure number. (Modes, Kiss-o'-Death and a zero transmit stamp are
// judged by the reply check and the query's failure tests.)
#include "ErrorCodes.h"
#include "FakeSntpServer.h"
#include "QueryOutcome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Kind = HostileReply::Kind;

// Only the verdict matters here, not the five seconds: a short wait keeps
// these many exchanges quick (the full wait is tested on its own).
constexpr std::uint32_t kShortWaitMs = 300;
constexpr int kProperStratum = 2; // what the fake server's replies carry

HostileReply Hostile(Kind kind, int value = 0)
{
    HostileReply how;
    how.kind = kind;
    how.value = value;
    return how;
}

class HostileServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.Port(), 0) << "the fake server could not bind"; }

    QueryOutcome Query(const HostileReply& how, int followUpDelayMs = -1)
    {
        server.SetHostile(how, followUpDelayMs);
        return RunQuery("127.0.0.1", server.Port(), kShortWaitMs);
    }

    // Alone, a datagram that is passed over leaves its number once the wait is out.
    void ExpectPassedOver(const HostileReply& how, std::uint32_t expected, const std::string& label)
    {
        const QueryOutcome q = Query(how);
        EXPECT_FALSE(q.ok) << label;
        EXPECT_EQ(q.error, expected) << label;
        EXPECT_GE(q.seconds, kShortWaitMs / 1e3) << label << ": the wait ended early";
    }

    // The server's own refusal ends the query at once, although a proper reply follows.
    void ExpectRefusedAtOnce(const HostileReply& how, const std::string& label)
    {
        const QueryOutcome q = Query(how, 20);
        EXPECT_FALSE(q.ok) << label;
        EXPECT_EQ(q.error, ErrorCode::ServerUnsynchronised) << label;
        EXPECT_LT(q.seconds, kShortWaitMs / 1e3) << label;
    }

    FakeSntpServer server;
};

TEST_F(HostileServer, EveryLengthFromNothingTo1500BytesIsTakenOrPassedOver)
{
    for (int length = 0; length <= 1500; ++length) {
        // A proper reply follows at once: it is taken only if the hostile one was passed over.
        const QueryOutcome q = Query(Hostile(Kind::Length, length), 0);
        ASSERT_TRUE(q.ok) << length << " bytes: error " << q.error;
        const bool acceptable = length >= 48 && length <= 68;
        EXPECT_EQ(q.result.Stratum, acceptable ? kProperStratum : FakeSntpServer::FollowUpStratum)
            << length << " bytes";
    }
    EXPECT_EQ(server.RequestCount(), 1501);
    for (const int length : {0, 1, 47, 69, 72, 1500})
        ExpectPassedOver(Hostile(Kind::Length, length), ErrorCode::MalformedReply, std::to_string(length) + " bytes alone");
}

TEST_F(HostileServer, LeapValuesAreReportedAndAnAlarmRefuses)
{
    for (int leap = 0; leap <= 2; ++leap) {
        const QueryOutcome q = Query(Hostile(Kind::Leap, leap), 0);
        ASSERT_TRUE(q.ok) << "leap " << leap << ": error " << q.error;
        EXPECT_EQ(q.result.LeapIndicator, leap);
        EXPECT_EQ(q.result.Stratum, kProperStratum) << "leap " << leap << " was passed over";
    }
    ExpectRefusedAtOnce(Hostile(Kind::Leap, 3), "leap 3");
}

// A server at the 2036 wrap, its receive and transmit stamps both before it,
// astride it, and both after it: true figures and true dates every time.
TEST_F(HostileServer, StampsAtThe2036WrapGiveTrueFiguresAndDates)
{
    for (int where = 0; where <= 2; ++where) {
        const NtpTimestamp before = NtpTimestamp::Now();
        const QueryOutcome q = Query(Hostile(Kind::EraWrap, where));
        ASSERT_TRUE(q.ok) << "wrap case " << where << ": error " << q.error;
        EXPECT_EQ(q.result.ReceiveTimestamp, EraWrapReceiveStamp(where));
        EXPECT_EQ(q.result.TransmitTimestamp, EraWrapTransmitStamp(where));
        std::printf("[ figures  ] 2036 wrap case %d: delay %.6f s, offset %.6f s\n", where, q.result.RoundtripDelay,
                    q.result.ClockOffset);
        // Loopback: a delay of milliseconds, never one of 136 years.
        EXPECT_GE(q.result.RoundtripDelay, 0.0);
        EXPECT_LT(q.result.RoundtripDelay, 0.5);
        // The server is some nine years ahead of this clock, not 126 years behind.
        const double ahead = EraWrapReceiveStamp(where).Difference(before);
        EXPECT_NEAR(q.result.ClockOffset, ahead, 1.0);
        EXPECT_GT(q.result.ClockOffset, 0.0);
        for (const NtpTimestamp& stamp : {q.result.ReceiveTimestamp, q.result.TransmitTimestamp}) {
            const SYSTEMTIME st = stamp.ToSystemTime();
            EXPECT_TRUE(st.wYear == 2036 && st.wMonth == 2 && st.wDay == 7) << "wrap case " << where;
        }
    }
}

TEST_F(HostileServer, AReplySentTwiceServesOneQueryAndMisleadsNoLaterOne)
{
    for (const int gapMs : {0, 30}) {
        const QueryOutcome first = Query(Hostile(Kind::Twice, gapMs));
        const QueryOutcome second = RunQuery("127.0.0.1", server.Port(), kShortWaitMs);
        ASSERT_TRUE(first.ok) << "error " << first.error;
        ASSERT_TRUE(second.ok) << "error " << second.error;
        // Each query took the reply to its own request.
        EXPECT_NE(first.result.OriginateTimestamp, second.result.OriginateTimestamp);
        EXPECT_LT(first.result.OriginateTimestamp.Value(), second.result.OriginateTimestamp.Value());
        EXPECT_NEAR(second.result.ClockOffset, 0.0, 0.02);
    }
}

} // namespace
