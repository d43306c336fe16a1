#include "CreditsWrap.h"

#include <gtest/gtest.h>

using namespace brisvander;

using Lines = std::vector<std::string>;

TEST(CreditsWrap, BreaksAtTheLastBlankWithinTheLine)
{
    EXPECT_EQ(WrapCreditLines({"abc def ghij klm"}, 10), (Lines{"abc def", "ghij klm"}));
    EXPECT_EQ(WrapCreditLines({"abcdefghij klm"}, 10), (Lines{"abcdefghij", "klm"}));
    EXPECT_EQ(WrapCreditLines({"abc def  ghi"}, 8), (Lines{"abc def ", "ghi"}));
}

TEST(CreditsWrap, TrailingBlanksNeitherCountNorBreak)
{
    EXPECT_EQ(WrapCreditLines({"abcdefghij"}, 10), (Lines{"abcdefghij"}));
    EXPECT_EQ(WrapCreditLines({"abcdefghij    "}, 10), (Lines{"abcdefghij"}));
    EXPECT_EQ(WrapCreditLines({"abcdefghijk"}, 10), (Lines{"abcdefghij", "k"}));
}

TEST(CreditsWrap, EmptyEntriesVanishBlankEntriesKeepTheirPlace)
{
    EXPECT_EQ(WrapCreditLines({"a", "", "b"}, 10), (Lines{"a", "b"}));
    EXPECT_EQ(WrapCreditLines({"a", " ", "b"}, 10), (Lines{"a", " ", "b"}));
    EXPECT_EQ(WrapCreditLines({" \t \t  "}, 10), (Lines{" "}));
}

TEST(CreditsWrap, UmlautsCountAsOneCharacterEach)
{
    // Counted in bytes, "Grüße" would already be seven long.
    EXPECT_EQ(WrapCreditLines({"Grüße aus Köln"}, 5), (Lines{"Grüße", "aus", "Köln"}));
    EXPECT_EQ(SplitUtf8Characters("Maß €").size(), 5u);
}

TEST(CreditsWrap, AWordLongerThanALineIsCutWithoutLosingCharacters)
{
    EXPECT_EQ(WrapCreditLines({"abcdefghij xy"}, 4), (Lines{"abcd", "efgh", "ij", "xy"}));
    // A second blank at a break starts the next piece, whose only blank is
    // then at index 0: it is cut like a long word.
    EXPECT_EQ(WrapCreditLines({"abcd  efghij"}, 4), (Lines{"abcd", " efg", "hij"}));

    const std::string longWord(5000, 'x');
    const Lines lines = WrapCreditLines({longWord}, 10);
    ASSERT_EQ(lines.size(), 500u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.size(), 10u);
        joined += line;
    }
    EXPECT_EQ(joined, longWord);
}

TEST(CreditsWrap, APanelNarrowerThanOneCharacterStillMakesProgress)
{
    EXPECT_EQ(WrapCreditLines({"ab c"}, 0), (Lines{"a", "b", "c"}));
    EXPECT_EQ(WrapCreditLines({"ab"}, -3), (Lines{"a", "b"}));
}

TEST(CreditsWrap, BrokenUtf8IsCountedBytewiseAndKept)
{
    const std::string broken = "a\xff\xc3 b\xe2\x82";
    const auto chars = SplitUtf8Characters(broken);
    EXPECT_EQ(chars.size(), 7u);
    std::string joined;
    for (auto c : chars)
        joined += c;
    EXPECT_EQ(joined, broken);
}
