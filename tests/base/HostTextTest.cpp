// A typed host: blanks around it go before the query, and nothing from it
// reaches a terminal as a control character.
#include "HostText.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

using namespace brisvander;

TEST(TrimmedHost, RemovesTheBlanksAPasteBringsAlong)
{
    EXPECT_EQ(TrimmedHost(" ptbtime1.ptb.de"), "ptbtime1.ptb.de");
    EXPECT_EQ(TrimmedHost("\tptbtime1.ptb.de \r\n"), "ptbtime1.ptb.de");
    EXPECT_EQ(TrimmedHost("\u00A0ptbtime1.ptb.de\u00A0"), "ptbtime1.ptb.de");      // no-break space
    EXPECT_EQ(TrimmedHost("\uFEFFptbtime1.ptb.de\u200B"), "ptbtime1.ptb.de");      // byte order mark, zero width
    EXPECT_EQ(TrimmedHost("\u3000\u2003zeitüberall.de\u202F "), "zeitüberall.de"); // ideographic, em, narrow
    EXPECT_EQ(TrimmedHost("   "), "");
    EXPECT_EQ(TrimmedHost(""), "");
}

TEST(TrimmedHost, KeepsWhatIsNotABlankAtTheEdges)
{
    EXPECT_EQ(TrimmedHost("zeit server.de"), "zeit server.de"); // inside: the query must fail on it
    EXPECT_EQ(TrimmedHost(" [::1] "), "[::1]");
    EXPECT_EQ(TrimmedHost("zeitü "), "zeitü");
    // A last letter whose UTF-8 form ends in A0, the no-break space's Latin-1 byte, is no blank.
    EXPECT_EQ(TrimmedHost("\u00E0"), "\u00E0");
    // Bytes that are not UTF-8 stay; they are not taken for blanks.
    EXPECT_EQ(TrimmedHost(" host\xA0"), "host\xA0");
    EXPECT_EQ(TrimmedHost("\xC2 host"), "\xC2 host");
}

TEST(EscapeControlCharacters, TerminalControlsAreShownNotObeyed)
{
    // Clearing the screen and retitling the terminal, as a stored host once did.
    EXPECT_EQ(EscapeControlCharacters("\x1b]0;owned\x07\x1b[2Jhost"), "\\x1b]0;owned\\x07\\x1b[2Jhost");
    EXPECT_EQ(EscapeControlCharacters(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(EscapeControlCharacters("tab\there\nline\rend\x7f"), "tab\\x09here\\x0aline\\x0dend\\x7f");
    // C1 controls in UTF-8: U+009B is a one-character CSI on many terminals.
    EXPECT_EQ(EscapeControlCharacters("\u009B2J\u0085"), "\\x9b2J\\x85");
    // A lone byte that is not UTF-8 is shown by its value, whatever it would mean elsewhere.
    EXPECT_EQ(EscapeControlCharacters("\x9b" "2J"), "\\x9b2J");
    EXPECT_EQ(EscapeControlCharacters("\xC0\xAF\xED\xA0\x80\xE0\x80\x80"),
              "\\xc0\\xaf\\xed\\xa0\\x80\\xe0\\x80\\x80"); // overlong, surrogate, overlong
    EXPECT_EQ(EscapeControlCharacters("ü\xFF"), "ü\\xff"); // never a lead byte
    EXPECT_EQ(EscapeControlCharacters("\xE2\x82"), "\\xe2\\x82"); // cut short
    // A right-to-left override would make "ptb.de\u202e.evil" read as another host.
    EXPECT_EQ(EscapeControlCharacters("ptb.de\u202Elive.moc"), "ptb.de\\u202elive.moc");
    EXPECT_EQ(EscapeControlCharacters("\u2067x\u2069\u200F"), "\\u2067x\\u2069\\u200f");
}

TEST(EscapeControlCharacters, OrdinaryTextStaysAsItIs)
{
    for (const char* text : {"ptbtime1.ptb.de", "zeitüberall.invalid", "Grüße, 時間, 🕐", "[::1]", "a\\x1b", ""})
        EXPECT_EQ(EscapeControlCharacters(text), text);
}

// Whatever bytes come in: nothing that steers a terminal comes out, and
// trimming only ever cuts from the ends, once.
TEST(HostText, AnyBytesAtAll)
{
    std::mt19937 random(20261207);
    const std::string pieces[] = {"a", "ü", " ", "\t", "\u00A0", "\u200B", "\uFEFF", "\u009B", "\x1b", "\x7f",
                                  "\xC2", "\x9B", "\xE2\x80", "\xF0\x9F\x95\x90", "\xFF", std::string(1, '\0')};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        for (int n = std::uniform_int_distribution<int>(0, 8)(random); n > 0; --n)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];

        const std::string shown = EscapeControlCharacters(text);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const auto byte = static_cast<unsigned char>(shown[i]);
            ASSERT_TRUE(byte >= 0x20 && byte != 0x7F) << round;
            // U+0080 to U+009F in UTF-8, and a C1 byte standing alone.
            ASSERT_FALSE(byte == 0xC2 && i + 1 < shown.size() && static_cast<unsigned char>(shown[i + 1]) >= 0x80 &&
                         static_cast<unsigned char>(shown[i + 1]) <= 0x9F)
                << round;
        }
        const std::string trimmed = TrimmedHost(text);
        ASSERT_NE(text.find(trimmed), std::string::npos) << round;
        ASSERT_EQ(TrimmedHost(trimmed), trimmed) << round;
    }
}
