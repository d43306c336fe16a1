#include "NtsKeRecords.h"
#include "NtsStoreNames.h"
#include "NtsStoreRecord.h"
#include "NtsStoreRules.h"
#include "StoreTestSupport.h"

namespace brisvander {
namespace {

NtsStoreRecord SampleRecord()
{
    return {"time.example", 4460, "system", 1'700'000'000, NtsAeadAesSivCmac256, SessionWithCookies(1, 8)};
}

TEST(NtsStoreRecord, RoundTripsAndRecognisesTornForeignAndAlteredFiles)
{
    NtsStoreRecord record = SampleRecord();
    record.KeyExchangeTime = -5; // before 1970: the clock may say anything
    const Bytes file = EncodeNtsStoreRecord(record);
    const NtsStoreParseResult parsed = ParseNtsStoreRecord(file);
    ASSERT_EQ(parsed.Status, NtsStoreParseStatus::Ok);
    EXPECT_EQ(EncodeNtsStoreRecord(parsed.Record), file);
    EXPECT_EQ(parsed.Record.KeyExchangeTime, -5);
    EXPECT_EQ(parsed.Record.Session.Cookies, record.Session.Cookies);

    for (std::size_t cut = 8; cut < file.size(); ++cut)
        ASSERT_EQ(ParseNtsStoreRecord(ByteView(file).first(cut)).Status, NtsStoreParseStatus::Damaged) << cut;
    for (std::size_t at = 8; at < file.size(); ++at) {
        Bytes altered = file;
        altered[at] ^= 0x01;
        ASSERT_EQ(ParseNtsStoreRecord(altered).Status, NtsStoreParseStatus::Damaged) << at;
    }
    Bytes foreign = file;
    foreign[1] = 'X';
    EXPECT_EQ(ParseNtsStoreRecord(foreign).Status, NtsStoreParseStatus::Foreign);
    EXPECT_EQ(ParseNtsStoreRecord(Bytes{'h', 'o', 's', 't'}).Status, NtsStoreParseStatus::Foreign);
}

TEST(NtsStoreRecord, EncodesNothingOutOfBounds)
{
    NtsStoreRecord record = SampleRecord();
    record.Session.Cookies.push_back({9});
    EXPECT_TRUE(EncodeNtsStoreRecord(record).empty()); // nine cookies
    record.Session.Cookies.clear();
    EXPECT_TRUE(EncodeNtsStoreRecord(record).empty());
    record = SampleRecord();
    record.Host = std::string(NtsStoreMaxText + 1, 'h');
    EXPECT_TRUE(EncodeNtsStoreRecord(record).empty());
}

TEST(NtsStoreRules, AgeTrustAlgorithmAndServerDecide)
{
    const NtsStoreRecord record = SampleRecord();
    const std::int64_t made = record.KeyExchangeTime;
    auto judge = [&](const NtsStoreRecord& r, std::int64_t now, const std::string& trust = "system") {
        return JudgeStoredSession(r, "time.example", 4460, trust, now);
    };
    EXPECT_EQ(judge(record, made + NtsStoreMaxAgeSeconds), NtsStoredVerdict::Usable);
    EXPECT_EQ(judge(record, made + NtsStoreMaxAgeSeconds + 1), NtsStoredVerdict::TooOld);
    EXPECT_EQ(judge(record, made - 3 * 365 * 86400), NtsStoredVerdict::Usable); // clock went back
    NtsStoreRecord ancient = record;
    ancient.KeyExchangeTime = INT64_MIN;
    EXPECT_EQ(judge(ancient, INT64_MAX), NtsStoredVerdict::TooOld);
    EXPECT_EQ(judge(record, made, "sha256:00"), NtsStoredVerdict::WrongTrust);
    NtsStoreRecord other = record;
    other.Aead = 16;
    EXPECT_EQ(judge(other, made), NtsStoredVerdict::Unsupported);
    other = record;
    other.Session.ClientToServerKey.resize(16);
    EXPECT_EQ(judge(other, made), NtsStoredVerdict::Unsupported);
    EXPECT_EQ(JudgeStoredSession(record, "time.example", 4461, "system", made), NtsStoredVerdict::WrongServer);
    EXPECT_EQ(JudgeStoredSession(record, "Time.example", 4460, "system", made), NtsStoredVerdict::WrongServer);
}

TEST(NtsStoreNames, StayInsideTheFolderAndKnowTheirOwner)
{
    const std::string name = SessionFileName("../../etc/passwd\n", 4460);
    EXPECT_TRUE(IsSessionFileName(name));
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef-.nts"), std::string::npos);
    EXPECT_NE(name, SessionFileName("../../etc/passwd\n", 4461));
    EXPECT_TRUE(name.starts_with(SessionFilePrefix("../../etc/passwd\n")));

    EXPECT_EQ(LeftoverOwner(TakenFileName(name, 4242, RandomNameTag())), 4242);
    EXPECT_EQ(LeftoverOwner(TempFileName(name, 77, "00ff")), 77);
    EXPECT_FALSE(LeftoverOwner(name));
    EXPECT_FALSE(LeftoverOwner("notes.nts.taken-12-ab"));
    EXPECT_NE(RandomNameTag(), RandomNameTag());
}

} // namespace
} // namespace brisvander
