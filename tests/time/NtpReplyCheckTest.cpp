// Which replies may be used: each rule, its error number, its boundary and
// the order in which the rules decide.
#include "ErrorCodes.h"
#include "NtpPacket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace brisvander;

namespace {

const NtpTimestamp kSent(0xC5714570C9FBE76Dull);

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A reply that passes every check; each test spoils one thing.
std::vector<std::uint8_t> GoodReply(std::size_t length = 48)
{
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(length, 48), 0);
    bytes[0] = 0x1C; // LI 0, version 3, mode 4
    bytes[1] = 2;
    Put32(bytes, 4, 0x00000100);
    Put32(bytes, 8, 0x00000200);
    kSent.ToNetworkOrder(&bytes[24]);
    NtpTimestamp(0xC571457180000000ull).ToNetworkOrder(&bytes[32]);
    NtpTimestamp(0xC571457180001000ull).ToNetworkOrder(&bytes[40]);
    for (std::size_t i = 48; i < bytes.size(); ++i)
        bytes[i] = 0x5A;
    return bytes;
}

std::uint32_t Check(const std::vector<std::uint8_t>& bytes)
{
    return NumberOf(CheckNtpReply(bytes.data(), bytes.size(), kSent));
}
std::uint32_t CheckFirst(const std::vector<std::uint8_t>& bytes, std::size_t length)
{
    return NumberOf(CheckNtpReply(bytes.data(), length, kSent));
}

TEST(CheckNtpReply, AcceptsAGoodReplyWithOrWithoutAuthenticator)
{
    EXPECT_EQ(Check(GoodReply(48)), ErrorCode::Success);
    EXPECT_EQ(Check(GoodReply(68)), ErrorCode::Success);
    EXPECT_EQ(Check(GoodReply(52)), ErrorCode::Success);
}

TEST(CheckNtpReply, LengthOutsideFortyEightToSixtyEightIsMalformed)
{
    const std::vector<std::uint8_t> big = GoodReply(1000);
    EXPECT_EQ(CheckFirst(big, 47), ErrorCode::MalformedReply);
    EXPECT_EQ(CheckFirst(big, 1), ErrorCode::MalformedReply);
    EXPECT_EQ(CheckFirst(big, 0), ErrorCode::MalformedReply);
    EXPECT_EQ(CheckFirst(big, 69), ErrorCode::MalformedReply);
    EXPECT_EQ(CheckFirst(big, 1000), ErrorCode::MalformedReply);
    EXPECT_EQ(NumberOf(CheckNtpReply(nullptr, 48, kSent)), ErrorCode::MalformedReply);
}

TEST(CheckNtpReply, OnlyServerModeIsAccepted)
{
    for (int mode = 0; mode < 8; ++mode) {
        std::vector<std::uint8_t> bytes = GoodReply();
        bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0xF8) | mode);
        EXPECT_EQ(Check(bytes), mode == 4 ? ErrorCode::Success : ErrorCode::MalformedReply) << "mode " << mode;
    }
}

TEST(CheckNtpReply, EveryByteFFIsMalformed)
{
    EXPECT_EQ(Check(std::vector<std::uint8_t>(48, 0xFF)), ErrorCode::MalformedReply);
    EXPECT_EQ(Check(std::vector<std::uint8_t>(68, 0xFF)), ErrorCode::MalformedReply);
}

TEST(CheckNtpReply, AnOriginateThatIsNotOurTransmitIsForeign)
{
    std::vector<std::uint8_t> bytes = GoodReply();
    bytes[31] ^= 0x01; // one fraction unit off
    EXPECT_EQ(Check(bytes), ErrorCode::ForeignReply);
    bytes = GoodReply();
    bytes[24] ^= 0x80;
    EXPECT_EQ(Check(bytes), ErrorCode::ForeignReply);
    EXPECT_EQ(NumberOf(CheckNtpReply(GoodReply().data(), 48, kSent.AddSeconds(1.0))), ErrorCode::ForeignReply);
}

TEST(CheckNtpReply, LeapIndicatorThreeMeansUnsynchronisedButWarningsPass)
{
    for (int li = 0; li < 4; ++li) {
        std::vector<std::uint8_t> bytes = GoodReply();
        bytes[0] = static_cast<std::uint8_t>((li << 6) | (bytes[0] & 0x3F));
        EXPECT_EQ(Check(bytes), li == 3 ? ErrorCode::ServerUnsynchronised : ErrorCode::Success) << "LI " << li;
    }
}

TEST(CheckNtpReply, StratumMustBeOneToFifteen)
{
    for (const int stratum : {0, 1, 15, 16, 255}) {
        std::vector<std::uint8_t> bytes = GoodReply();
        bytes[1] = static_cast<std::uint8_t>(stratum);
        const bool usable = stratum >= 1 && stratum <= 15;
        EXPECT_EQ(Check(bytes), usable ? ErrorCode::Success : ErrorCode::ServerUnsynchronised) << stratum;
    }
}

TEST(CheckNtpReply, KissOfDeathIsUnsynchronised)
{
    std::vector<std::uint8_t> bytes = GoodReply();
    bytes[0] = 0xDC; // LI 3, version 3, mode 4
    bytes[1] = 0;
    std::copy_n("RATE", 4, bytes.begin() + 12);
    EXPECT_EQ(Check(bytes), ErrorCode::ServerUnsynchronised);
}

TEST(CheckNtpReply, OnlyAnAllZeroTransmitStampIsUnusable)
{
    std::vector<std::uint8_t> bytes = GoodReply();
    std::fill(bytes.begin() + 40, bytes.begin() + 48, 0);
    EXPECT_EQ(Check(bytes), ErrorCode::ServerUnsynchronised);
    bytes[47] = 1;
    EXPECT_EQ(Check(bytes), ErrorCode::Success);
    bytes[47] = 0;
    bytes[40] = 1;
    EXPECT_EQ(Check(bytes), ErrorCode::Success);
}

TEST(CheckNtpReply, RootDistanceOfSixteenSecondsOrMoreIsUnsynchronised)
{
    struct Case {
        std::uint32_t delay, dispersion;
        std::uint32_t expected;
    };
    // Units of 2^-16 s; distance = delay / 2 + dispersion.
    const Case cases[] = {
        {0x00200000, 0x00000000, ErrorCode::ServerUnsynchronised}, // 32 s delay: exactly 16
        {0x001FFFFF, 0x00000000, ErrorCode::Success},
        {0x00000000, 0x00100000, ErrorCode::ServerUnsynchronised}, // 16 s dispersion
        {0x00000000, 0x000FFFFF, ErrorCode::Success},
        {0x00000002, 0x000FFFFF, ErrorCode::ServerUnsynchronised}, // the two halves add up to 16
        {0x00000001, 0x000FFFFF, ErrorCode::Success},
        {0xFFFFFFFF, 0xFFFFFFFF, ErrorCode::ServerUnsynchronised},
        {0x80000000, 0x00000000, ErrorCode::ServerUnsynchronised}, // no sign bit in these fields
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = GoodReply();
        Put32(bytes, 4, c.delay);
        Put32(bytes, 8, c.dispersion);
        EXPECT_EQ(Check(bytes), c.expected) << std::hex << c.delay << " " << c.dispersion;
    }
}

TEST(CheckNtpReply, RulesDecideInOrderLengthModeOriginateSynchronisation)
{
    std::vector<std::uint8_t> bytes = GoodReply();
    bytes[0] = 0xDB; // LI 3 and client mode
    bytes[1] = 0;
    bytes[31] ^= 1;
    EXPECT_EQ(Check(bytes), ErrorCode::MalformedReply);
    bytes[0] = 0xDC; // LI 3, server mode, still foreign
    EXPECT_EQ(Check(bytes), ErrorCode::ForeignReply);
    bytes[31] ^= 1;
    EXPECT_EQ(Check(bytes), ErrorCode::ServerUnsynchronised);
    EXPECT_EQ(CheckFirst(bytes, 40), ErrorCode::MalformedReply);
}

} // namespace
