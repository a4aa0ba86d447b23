#include <gtest/gtest.h>

#include "core/PageEncoder.h"

using namespace quorlane::core;

// The fast escaping must agree with escaping one character at a time by its hex code.
TEST(EscapeText, EqualsEscapingEveryCodeUnitByItsHexCode)
{
    std::u16string all;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        all.push_back(static_cast<char16_t>(c));
    }
    std::u16string expected;
    for (char16_t c : all) {
        const int digits = c < 0x100 ? 2 : 4;
        expected += c < 0x100 ? u"%" : u"%u";
        for (int k = digits - 1; k >= 0; --k) {
            expected.push_back(u"0123456789ABCDEF"[(c >> (4 * k)) & 15]);
        }
    }
    EXPECT_EQ(EscapeText(all), expected);
    EXPECT_EQ(EscapedSize(all), expected.size());
}

TEST(EscapeText, EscapesLettersDigitsBlanksAndLineBreaksToo)
{
    EXPECT_EQ(EscapeText(u""), u"");
    EXPECT_EQ(EscapeText(u"A<b>\r\n"), u"%41%3C%62%3E%0D%0A");
    EXPECT_EQ(EscapeText(u"\t a\u00E9\u0101\u20AC"), u"%09%20%61%E9%u0101%u20AC");
    // A character beyond 16 bits goes as its two code units.
    EXPECT_EQ(EscapeText(u"\U0001F600"), u"%uD83D%uDE00");
}

TEST(EscapeText, HoldsOnlyPercentUDigitsAndCapitalHexLetters)
{
    std::u16string text;
    for (unsigned i = 0; i < 5000; ++i) {
        text.push_back(static_cast<char16_t>((i * 7919u) & 0xFFFF));
    }
    const std::u16string escaped = EscapeText(text);
    EXPECT_EQ(escaped.find_first_not_of(u"%u0123456789ABCDEF"), std::u16string::npos);
}

TEST(EscapeText, AppendsBehindWhatIsThere)
{
    std::u16string out = u"x";
    AppendEscaped(out, u"ab");
    EXPECT_EQ(out, u"x%61%62");
}
