// Key exchange records: our request on the wire, and hostile or odd responses.
#include "FailureKinds.h"
#include "NtsKeResponseCheck.h"
#include "NtsKeRecords.h"
#include "NtsKeTestServer.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

using namespace brisvander;
using ntstest::AppendRecord;
using ntstest::FromHex;
using ntstest::ToHex;
using ntstest::U16;

namespace {
constexpr std::uint16_t kCritical = 0x8000;

Bytes Cookie(std::size_t length, std::uint8_t fill) { return Bytes(length, fill); }

// What a typical server sends: protocol, algorithm, some cookies, end.
Bytes GoodResponse(int cookies = 8)
{
    Bytes m;
    AppendRecord(m, kCritical | 1, U16(0));
    AppendRecord(m, 4, U16(15));
    for (int i = 0; i < cookies; ++i)
        AppendRecord(m, 5, Cookie(100, static_cast<std::uint8_t>(i)));
    AppendRecord(m, kCritical | 0, {});
    return m;
}

NtsKeParseResult Parse(const Bytes& m) { return ParseNtsKeResponse(m); }
} // namespace

TEST(NtsKeRequest, IsNextProtocolNtpV4ThenAeadSivThenEndOfMessage)
{
    // Critical bit set on all three (RFC 8915 allows it on the AEAD record).
    EXPECT_EQ(ToHex(EncodeNtsKeRequest()), "80010002" "0000" "80040002" "000f" "80000000");
}

TEST(NtsKeResponse, TypicalResponseParses)
{
    Bytes m = GoodResponse(3);
    const auto end = m.size() - 4;
    Bytes extra;
    AppendRecord(extra, 6, Bytes{'n', 't', 's', '.', 'e', 'x', 'a', 'm', 'p', 'l', 'e'});
    AppendRecord(extra, kCritical | 7, U16(4123));
    m.insert(m.begin() + static_cast<long>(end), extra.begin(), extra.end());
    const NtsKeParseResult r = Parse(m);
    ASSERT_EQ(r.Status, NtsKeParseStatus::Complete) << r.Problem;
    EXPECT_EQ(r.Consumed, m.size());
    ASSERT_TRUE(r.Response.NextProtocols && r.Response.AeadAlgorithms);
    EXPECT_EQ(*r.Response.NextProtocols, std::vector<std::uint16_t>{0});
    EXPECT_EQ(*r.Response.AeadAlgorithms, std::vector<std::uint16_t>{15});
    ASSERT_EQ(r.Response.Cookies.size(), 3u);
    EXPECT_EQ(r.Response.Cookies[2], Cookie(100, 2));
    EXPECT_EQ(r.Response.NtpServer, "nts.example");
    EXPECT_EQ(r.Response.NtpPort, 4123);
    EXPECT_FALSE(CheckNtsKeResponse(r.Response));
}

TEST(NtsKeResponse, EveryProperPrefixIsIncomplete)
{
    const Bytes m = GoodResponse(2);
    for (std::size_t n = 0; n < m.size(); ++n)
        EXPECT_EQ(ParseNtsKeResponse(ByteView(m).first(n)).Status, NtsKeParseStatus::Incomplete) << n;
}

TEST(NtsKeResponse, BytesAfterEndOfMessageAreLeftAlone)
{
    Bytes m = GoodResponse(1);
    const std::size_t end = m.size();
    m.push_back(0xFF);
    const NtsKeParseResult r = Parse(m);
    EXPECT_EQ(r.Status, NtsKeParseStatus::Complete);
    EXPECT_EQ(r.Consumed, end);
}

TEST(NtsKeResponse, RecordLongerThanWhatArrivedWaitsForMore)
{
    Bytes m;
    AppendRecord(m, kCritical | 1, U16(0));
    AppendU16(m, 5);
    AppendU16(m, 200); // a cookie of 200 bytes announced, 3 sent
    m.insert(m.end(), {1, 2, 3});
    EXPECT_EQ(Parse(m).Status, NtsKeParseStatus::Incomplete);
}

TEST(NtsKeResponse, HostileLengthsAreMalformed)
{
    Bytes tooLongBody;
    AppendU16(tooLongBody, 5);
    AppendU16(tooLongBody, 257);
    EXPECT_EQ(Parse(tooLongBody).Status, NtsKeParseStatus::Malformed) << "cookie of 257 bytes";

    Bytes huge;
    while (huge.size() < NtsKeMaxMessageSize)
        AppendRecord(huge, 0x4000, Bytes(200, 0)); // unknown, not critical: ignored, yet counted
    const NtsKeParseResult r = Parse(huge);
    EXPECT_EQ(r.Status, NtsKeParseStatus::Malformed);
    EXPECT_EQ(r.Problem.Kind, FailureKind::NtsResponseTooLong) << r.Problem;
    EXPECT_EQ(r.Problem.Length, 16384u);

    // Exactly at the limit with End of Message last is still fine.
    Bytes atLimit;
    while (atLimit.size() + 260 + 8 <= NtsKeMaxMessageSize) // room left for a filler and the end
        AppendRecord(atLimit, 0x4000, Bytes(256, 0));
    AppendRecord(atLimit, 0x4000, Bytes(NtsKeMaxMessageSize - atLimit.size() - 8, 0));
    AppendRecord(atLimit, kCritical | 0, {});
    ASSERT_EQ(atLimit.size(), NtsKeMaxMessageSize);
    EXPECT_EQ(Parse(atLimit).Status, NtsKeParseStatus::Complete);
}

TEST(NtsKeResponse, WrongBodiesOfKnownRecordsAreMalformed)
{
    struct Case {
        const char* what;
        std::uint16_t type;
        Bytes body;
        FailureKind problem = FailureKind::NtsRecordBadLength;
    };
    const Case cases[] = {
        {"odd protocol list", 1, {0, 0, 1}},
        {"odd algorithm list", 4, {0}},
        {"error of one byte", 2, {1}},
        {"warning of three bytes", 3, {0, 0, 0}},
        {"empty cookie", 5, {}},
        {"port of one byte", 7, {1}},
        {"port zero", 7, {0, 0}, FailureKind::NtsPortZero},
        {"empty server name", 6, {}, FailureKind::NtsBadServerName},
        {"server name with a space", 6, {'a', ' ', 'b'}, FailureKind::NtsBadServerName},
        {"server name with a control byte", 6, {'a', 0x0A}, FailureKind::NtsBadServerName},
        {"server name with a high byte", 6, {'a', 0xC3, 0xA4}, FailureKind::NtsBadServerName},
        {"end of message with a body", 0, {0, 0}},
    };
    for (const Case& c : cases) {
        Bytes m;
        AppendRecord(m, c.type | kCritical, c.body);
        AppendRecord(m, kCritical | 0, {});
        const NtsKeParseResult r = Parse(m);
        EXPECT_EQ(r.Status, NtsKeParseStatus::Malformed) << c.what;
        EXPECT_EQ(r.Problem.Kind, c.problem) << c.what;
        if (c.problem == FailureKind::NtsRecordBadLength) {
            EXPECT_EQ(r.Problem.Code, c.type) << c.what;
            EXPECT_EQ(r.Problem.Length, c.body.size()) << c.what;
        }
    }
}

TEST(NtsKeResponse, RecordsThatMayComeOnceAreMalformedTwice)
{
    for (const auto& [type, body] : {std::pair<std::uint16_t, Bytes>{1, U16(0)},
                                     {4, U16(15)},
                                     {6, Bytes{'a'}},
                                     {7, U16(123)}}) {
        Bytes m;
        AppendRecord(m, type, body);
        AppendRecord(m, type, body);
        AppendRecord(m, kCritical | 0, {});
        const NtsKeParseResult r = Parse(m);
        EXPECT_EQ(r.Status, NtsKeParseStatus::Malformed) << "type " << type;
        EXPECT_EQ(r.Problem.Kind, FailureKind::NtsRecordRepeated) << r.Problem;
        EXPECT_EQ(r.Problem.Code, type);
    }
}

TEST(NtsKeResponse, UnknownRecordsCountOnlyWhenCritical)
{
    // Skipped whatever their length: the per-record limit is for what we keep.
    Bytes ignored = GoodResponse(1);
    Bytes unknown;
    AppendRecord(unknown, 0x1234, Bytes(10, 7));
    AppendRecord(unknown, 0x4000, Bytes(3000, 7));
    ignored.insert(ignored.begin(), unknown.begin(), unknown.end());
    const NtsKeParseResult taken = Parse(ignored);
    EXPECT_EQ(taken.Status, NtsKeParseStatus::Complete) << taken.Problem;
    EXPECT_EQ(taken.Response.Cookies.size(), 1u);

    Bytes refused = GoodResponse(1);
    Bytes critical;
    AppendRecord(critical, kCritical | 0x1234, {});
    refused.insert(refused.begin(), critical.begin(), critical.end());
    const NtsKeParseResult r = Parse(refused);
    EXPECT_EQ(r.Status, NtsKeParseStatus::Malformed);
    EXPECT_EQ(r.Problem.Kind, FailureKind::NtsUnknownCriticalRecord) << r.Problem;
    EXPECT_EQ(r.Problem.Code, 0x1234);
}

TEST(NtsKeResponse, KnownRecordsCountWithOrWithoutCriticalBit)
{
    Bytes m;
    AppendRecord(m, 1, U16(0));           // critical bit left off
    AppendRecord(m, kCritical | 4, U16(15)); // and set where it is optional
    AppendRecord(m, kCritical | 5, Cookie(4, 9));
    AppendRecord(m, kCritical | 7, U16(11123));
    AppendRecord(m, 0, {});
    const NtsKeParseResult r = Parse(m);
    ASSERT_EQ(r.Status, NtsKeParseStatus::Complete) << r.Problem;
    EXPECT_EQ(r.Response.Cookies.size(), 1u);
    EXPECT_EQ(r.Response.NtpPort, 11123);
    EXPECT_FALSE(CheckNtsKeResponse(r.Response));
}

TEST(NtsKeResponse, KeepsEightCookiesOfAnyNumberUpTo256Bytes)
{
    Bytes m;
    AppendRecord(m, kCritical | 1, U16(0));
    AppendRecord(m, 4, U16(15));
    for (int i = 0; i < 12; ++i)
        AppendRecord(m, 5, Cookie(256, static_cast<std::uint8_t>(i)));
    AppendRecord(m, kCritical | 0, {});
    const NtsKeParseResult r = Parse(m);
    ASSERT_EQ(r.Status, NtsKeParseStatus::Complete) << r.Problem;
    ASSERT_EQ(r.Response.Cookies.size(), NtsMaxCookies);
    EXPECT_EQ(r.Response.Cookies.front(), Cookie(256, 0));
    EXPECT_EQ(r.Response.Cookies.back(), Cookie(256, 7));
}

TEST(NtsKeResponseCheck, NamesWhatIsMissingOrRefused)
{
    auto judge = [](const Bytes& m) {
        const NtsKeParseResult r = ParseNtsKeResponse(m);
        EXPECT_EQ(r.Status, NtsKeParseStatus::Complete) << r.Problem;
        return CheckNtsKeResponse(r.Response);
    };
    Bytes error = GoodResponse(2);
    Bytes record;
    AppendRecord(record, kCritical | 2, U16(1));
    AppendRecord(record, kCritical | 3, U16(9));
    error.insert(error.begin(), record.begin(), record.end());
    auto f = judge(error);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Kind, FailureKind::NtsServerErrorRecord);
    EXPECT_EQ(f->Code, 1);

    Bytes warning = GoodResponse(2);
    Bytes warningRecord;
    AppendRecord(warningRecord, kCritical | 3, U16(9));
    warning.insert(warning.begin(), warningRecord.begin(), warningRecord.end());
    f = judge(warning);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Kind, FailureKind::NtsServerWarningRecord);
    EXPECT_EQ(f->Code, 9);

    Bytes noProtocol, emptyProtocols, otherProtocol, noAead, otherAead;
    AppendRecord(noProtocol, 4, U16(15));
    AppendRecord(noProtocol, 5, Cookie(8, 1));
    AppendRecord(emptyProtocols, 1, {});
    AppendRecord(emptyProtocols, 5, Cookie(8, 1));
    AppendRecord(otherProtocol, 1, U16(0x8001));
    AppendRecord(otherProtocol, 4, U16(15));
    AppendRecord(otherProtocol, 5, Cookie(8, 1));
    AppendRecord(noAead, 1, U16(0));
    AppendRecord(noAead, 5, Cookie(8, 1));
    AppendRecord(otherAead, 1, U16(0));
    AppendRecord(otherAead, 4, U16(30));
    AppendRecord(otherAead, 5, Cookie(8, 1));
    const std::pair<Bytes*, FailureKind> cases[] = {
        {&noProtocol, FailureKind::NtsNoProtocolChoice}, {&emptyProtocols, FailureKind::NtsNoNtpV4},
        {&otherProtocol, FailureKind::NtsNoNtpV4},       {&noAead, FailureKind::NtsNoAeadChoice},
        {&otherAead, FailureKind::NtsNoAesSiv},
    };
    for (const auto& [message, kind] : cases) {
        AppendRecord(*message, kCritical | 0, {});
        f = judge(*message);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->Kind, kind) << *f;
    }
    f = judge(GoodResponse(0));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Kind, FailureKind::NtsNoCookieReceived);
    EXPECT_EQ(f->Number, ErrorCode::KeyExchangeFailed);
}
