// AES-SIV through the wrapper: RFC 5297's vectors, tampering, and the two
// libraries behind it agreeing where both can work.
#include "AesSiv.h"
#include "AesSivBackends.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <random>

using namespace brisvander;
using ntstest::FromHex;
using ntstest::ToHex;

namespace {
// RFC 5297, appendix A.1 (deterministic use: one associated-data component, no nonce).
const Bytes kA1Key = FromHex("fffefdfcfbfaf9f8f7f6f5f4f3f2f1f0f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
const Bytes kA1Data = FromHex("101112131415161718191a1b1c1d1e1f2021222324252627");
const Bytes kA1Plain = FromHex("112233445566778899aabbccddee");
const std::string kA1Sealed = "85632d07c6e8f37f950acd320a2ecc93" "40c02b9690c4dc04daef7f6afe5c";

// RFC 5297, appendix A.2 (two associated-data components, then the nonce).
const Bytes kA2Key = FromHex("7f7e7d7c7b7a79787776757473727170404142434445464748494a4b4c4d4e4f");
const Bytes kA2Data1 = FromHex("00112233445566778899aabbccddeeffdeaddadadeaddadaffeeddccbbaa99887766554433221100");
const Bytes kA2Data2 = FromHex("102030405060708090a0");
const Bytes kA2Nonce = FromHex("09f911029d74e35bd84156c5635688c0");
const Bytes kA2Plain =
    FromHex("7468697320697320736f6d6520706c61696e7465787420746f20656e6372797074207573696e67205349562d414553");
const std::string kA2Sealed = "7bdb6e3b432667eb06f4d14bff2fbd0f"
                              "cb900f2fddbe404326601965c889bf17dba77ceb094fa663b7a3f748ba8af829ea64ad544a272e9c485b62a3fd5c0d";

Bytes RandomBytes(std::mt19937& rng, std::size_t n)
{
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(rng());
    return b;
}
} // namespace

TEST(AesSiv, KnownAnswersOfRfc5297SealAndOpen)
{
    const ByteView a1[] = {kA1Data};
    const auto sealed1 = AesSivSeal(kA1Key, a1, kA1Plain);
    ASSERT_TRUE(sealed1);
    EXPECT_EQ(ToHex(*sealed1), kA1Sealed);
    const auto opened1 = AesSivOpen(kA1Key, a1, FromHex(kA1Sealed));
    ASSERT_TRUE(opened1);
    EXPECT_EQ(*opened1, kA1Plain);

    const ByteView a2[] = {kA2Data1, kA2Data2, kA2Nonce};
    const auto sealed2 = AesSivSeal(kA2Key, a2, kA2Plain);
    ASSERT_TRUE(sealed2);
    EXPECT_EQ(ToHex(*sealed2), kA2Sealed);
    const auto opened2 = AesSivOpen(kA2Key, a2, FromHex(kA2Sealed));
    ASSERT_TRUE(opened2);
    EXPECT_EQ(*opened2, kA2Plain);
}

TEST(AesSiv, AnyChangeMakesOpeningFail)
{
    const ByteView a2[] = {kA2Data1, kA2Data2, kA2Nonce};
    const Bytes sealed = FromHex(kA2Sealed);
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        Bytes tampered = sealed;
        tampered[i] ^= 0x01;
        EXPECT_FALSE(AesSivOpen(kA2Key, a2, tampered)) << "byte " << i;
    }
    Bytes otherNonce = kA2Nonce;
    otherNonce.back() ^= 0x80;
    const ByteView changedNonce[] = {kA2Data1, kA2Data2, otherNonce};
    EXPECT_FALSE(AesSivOpen(kA2Key, changedNonce, sealed));
    // The components are kept apart: moving a byte from one to the next is a change.
    const Bytes shorter(kA2Data1.begin(), kA2Data1.end() - 1);
    Bytes longer{kA2Data1.back()};
    longer.insert(longer.end(), kA2Data2.begin(), kA2Data2.end());
    const ByteView shifted[] = {shorter, longer, kA2Nonce};
    EXPECT_FALSE(AesSivOpen(kA2Key, shifted, sealed));
    const ByteView swapped[] = {kA2Data2, kA2Data1, kA2Nonce};
    EXPECT_FALSE(AesSivOpen(kA2Key, swapped, sealed));
    Bytes otherKey = kA2Key;
    otherKey[31] ^= 1;
    EXPECT_FALSE(AesSivOpen(otherKey, a2, sealed));
}

TEST(AesSiv, RejectsWrongKeySizesAndShortInput)
{
    const ByteView a1[] = {kA1Data};
    const Bytes shortKey(16, 0x42);
    EXPECT_FALSE(AesSivSeal(shortKey, a1, kA1Plain));
    EXPECT_FALSE(AesSivOpen(shortKey, a1, FromHex(kA1Sealed)));
    EXPECT_FALSE(AesSivOpen(kA1Key, a1, Bytes(15, 0)));
    EXPECT_FALSE(AesSivOpen(kA1Key, a1, Bytes{}));
}

TEST(AesSiv, EmptyPlaintextAsNtsRequestsUseIt)
{
    const Bytes packet = FromHex("230000000000000000000000000000000000000000000000");
    const ByteView parts[] = {packet, kA2Nonce};
    const auto tag = AesSivSeal(kA2Key, parts, {});
    ASSERT_TRUE(tag);
    ASSERT_EQ(tag->size(), AesSivTagSize);
    const auto opened = AesSivOpen(kA2Key, parts, *tag);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->empty());
    for (std::size_t i = 0; i < tag->size(); ++i) {
        Bytes tampered = *tag;
        tampered[i] ^= 0x40;
        EXPECT_FALSE(AesSivOpen(kA2Key, parts, tampered)) << "tag byte " << i;
    }
    Bytes otherPacket = packet;
    otherPacket[5] = 1;
    const ByteView changed[] = {otherPacket, kA2Nonce};
    EXPECT_FALSE(AesSivOpen(kA2Key, changed, *tag));
    // An empty plaintext and a one-byte one must not share a tag.
    const auto oneByte = AesSivSeal(kA2Key, parts, Bytes{0});
    ASSERT_TRUE(oneByte);
    EXPECT_NE(ToHex(ByteView(*oneByte).first(AesSivTagSize)), ToHex(*tag));
}

TEST(AesSiv, OpenSslAndNettleAgreeOnTheNtsShape)
{
    std::mt19937 rng(20240915);
    for (std::size_t length = 1; length <= 70; ++length) {
        const Bytes key = RandomBytes(rng, AesSivKeySize);
        const Bytes data = RandomBytes(rng, 48 + length * 3);
        const Bytes nonce = RandomBytes(rng, 16);
        const Bytes plain = RandomBytes(rng, length);
        const ByteView parts[] = {data, nonce};
        const auto viaOpenSsl = sivbackend::OpenSslSeal(key, parts, plain);
        const auto viaNettle = sivbackend::NettleSeal(key, data, nonce, plain);
        ASSERT_TRUE(viaOpenSsl && viaNettle);
        EXPECT_EQ(ToHex(*viaOpenSsl), ToHex(*viaNettle)) << "plaintext length " << length;
        const auto back = sivbackend::NettleOpen(key, data, nonce, *viaOpenSsl);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, plain);
    }
}
