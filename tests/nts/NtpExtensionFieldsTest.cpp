// Extension field framing: what we append, and what a datagram may not do to the parser.
#include "NtpExtensionFields.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

using namespace brisvander;
using ntstest::ToHex;

namespace {
Bytes Header() { return Bytes(NtpHeaderSize, 0); }

void AppendRaw(Bytes& out, std::uint16_t type, std::uint16_t length, std::size_t bodyBytes)
{
    AppendU16(out, type);
    AppendU16(out, length);
    out.resize(out.size() + bodyBytes, 0xAB);
}
} // namespace

TEST(NtpExtensionFields, AppendPadsToFourAndToSixteen)
{
    Bytes out;
    AppendExtensionField(out, NtpExtensionType::NtsCookie, Bytes{1, 2, 3});
    EXPECT_EQ(ToHex(out), "02040010" "01020300" "00000000" "00000000");
    out.clear();
    AppendExtensionField(out, NtpExtensionType::UniqueIdentifier, Bytes(33, 0xEE));
    EXPECT_EQ(out.size(), 40u);
    EXPECT_EQ(ReadU16(out, 2), 40);
    EXPECT_EQ(out[36], 0xEE);
    EXPECT_EQ(out[37], 0);
}

TEST(NtpExtensionFields, ParsesBackToBackFieldsWithOffsets)
{
    Bytes packet = Header();
    AppendExtensionField(packet, NtpExtensionType::UniqueIdentifier, Bytes(32, 1));
    AppendExtensionField(packet, NtpExtensionType::NtsCookie, Bytes(100, 2));
    const auto fields = ParseExtensionFields(packet, NtpHeaderSize);
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].Type, 0x0104);
    EXPECT_EQ((*fields)[0].Offset, 48u);
    EXPECT_EQ((*fields)[0].Body.size(), 32u);
    EXPECT_EQ((*fields)[1].Type, 0x0204);
    EXPECT_EQ((*fields)[1].Offset, 84u);
    EXPECT_EQ((*fields)[1].Body.size(), 100u);
    EXPECT_EQ((*fields)[1].Body.data(), packet.data() + 88);

    const auto none = ParseExtensionFields(Header(), NtpHeaderSize);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST(NtpExtensionFields, HostileFramingIsRejected)
{
    struct Case {
        const char* what;
        std::uint16_t length;
        std::size_t bodyBytes;
    };
    const Case cases[] = {
        {"length not a multiple of 4", 18, 14},
        {"length below 16", 12, 8},
        {"length zero", 0, 12},
        {"field running past the datagram", 40, 20},
        {"field running far past the datagram", 0xFFFC, 12},
    };
    for (const Case& c : cases) {
        Bytes packet = Header();
        AppendRaw(packet, 0x0204, c.length, c.bodyBytes);
        EXPECT_FALSE(ParseExtensionFields(packet, NtpHeaderSize)) << c.what;
    }
    Bytes leftover = Header();
    AppendExtensionField(leftover, NtpExtensionType::NtsCookie, Bytes(12, 1));
    leftover.insert(leftover.end(), {0x02, 0x04});
    EXPECT_FALSE(ParseExtensionFields(leftover, NtpHeaderSize)) << "two bytes after the last field";
    EXPECT_FALSE(ParseExtensionFields(Bytes(40, 0), NtpHeaderSize)) << "shorter than the header";
}

TEST(NtpExtensionFields, MinimumLengthIsTheCallersChoice)
{
    Bytes block;
    AppendRaw(block, 0x0204, 8, 4);
    EXPECT_FALSE(ParseExtensionFields(block, 0));
    const auto loose = ParseExtensionFields(block, 0, NtpExtensionHeaderSize);
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->front().Body.size(), 4u);
    // Even a loose minimum never lets a zero length through (it would never advance).
    Bytes zero;
    AppendRaw(zero, 0x0204, 0, 4);
    EXPECT_FALSE(ParseExtensionFields(zero, 0, 0));
}

TEST(NtsAuthenticatorBody, BuildsAndParsesWithPadding)
{
    const Bytes nonce(13, 0x11), ciphertext(18, 0x22);
    const Bytes body = BuildAuthenticatorBody(nonce, ciphertext);
    EXPECT_EQ(body.size(), 4u + 16 + 20);
    const auto parsed = ParseAuthenticatorBody(body);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(Bytes(parsed->Nonce.begin(), parsed->Nonce.end()), nonce);
    EXPECT_EQ(Bytes(parsed->Ciphertext.begin(), parsed->Ciphertext.end()), ciphertext);

    Bytes padded = body;
    padded.resize(padded.size() + 8, 0);
    EXPECT_TRUE(ParseAuthenticatorBody(padded)) << "additional padding is allowed";
}

TEST(NtsAuthenticatorBody, LengthsBeyondTheBodyAreRejected)
{
    Bytes body = BuildAuthenticatorBody(Bytes(16, 1), Bytes(16, 2));
    EXPECT_FALSE(ParseAuthenticatorBody(ByteView(body).first(3)));
    EXPECT_FALSE(ParseAuthenticatorBody(ByteView(body).first(body.size() - 4)));
    Bytes bigNonce = body;
    bigNonce[1] = 17; // 17 bytes pad to 20: the ciphertext no longer fits
    EXPECT_FALSE(ParseAuthenticatorBody(bigNonce));
    Bytes bigCiphertext = body;
    bigCiphertext[2] = 0xFF;
    EXPECT_FALSE(ParseAuthenticatorBody(bigCiphertext));
}
