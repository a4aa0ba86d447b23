#include <gtest/gtest.h>

#include "core/PageEncoder.h"
#include "core/modUniCodeHandler.h"

using namespace quorlane::core;

TEST(CharacterCodes, EncodeEachCodeUnitAsOneToThreeBytes)
{
    EXPECT_EQ(CodeToUtf8(0x41), (ByteSequence{0x41}));
    EXPECT_EQ(CodeToUtf8(0x00), (ByteSequence{0x00}));
    EXPECT_EQ(CodeToUtf8(0xE9), (ByteSequence{0xC3, 0xA9}));
    EXPECT_EQ(CodeToUtf8(0x7FF), (ByteSequence{0xDF, 0xBF}));
    EXPECT_EQ(CodeToUtf8(0x20AC), (ByteSequence{0xE2, 0x82, 0xAC}));
    EXPECT_EQ(CodeToUtf8(0xFFFF), (ByteSequence{0xEF, 0xBF, 0xBF}));
    // A surrogate half stands on its own, as three bytes.
    EXPECT_EQ(CodeToUtf8(0xD83D), (ByteSequence{0xED, 0xA0, 0xBD}));
}

TEST(CharacterCodes, StringBytesAreTheBytesOfEachUnitWithoutJoiningPairs)
{
    EXPECT_TRUE(StringToUtf8(u"").empty());
    EXPECT_EQ(StringToUtf8(u"A\u00E9\u20AC"), (ByteSequence{0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}));
    EXPECT_EQ(StringToUtf8(u"\U0001F600"), (ByteSequence{0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}));
}

TEST(CharacterCodes, BytesOfOneCharacterGiveItsCodeAndLongerSequencesZero)
{
    EXPECT_EQ(Utf8ToCode({0x41}), 0x41);
    EXPECT_EQ(Utf8ToCode({0xC3, 0xA9}), 0xE9);
    EXPECT_EQ(Utf8ToCode({0xED, 0xA0, 0xBD}), 0xD83D);
    EXPECT_EQ(Utf8ToCode({0xEF, 0xBF, 0xBF}), 0xFFFF);
    EXPECT_EQ(Utf8ToCode({}), 0);
    EXPECT_EQ(Utf8ToCode({0xF0, 0x9F, 0x98, 0x80}), 0);
}

TEST(CharacterCodes, HexCodeHasNoLeadingZerosAndCapitalDigits)
{
    EXPECT_EQ(CharHexCode(u'A'), u"41");
    EXPECT_EQ(CharHexCode(0), u"0");
    EXPECT_EQ(CharHexCode(u'\t'), u"9");
    EXPECT_EQ(CharHexCode(0xE9), u"E9");
    EXPECT_EQ(CharHexCode(0x101), u"101");
    EXPECT_EQ(CharHexCode(0x20AC), u"20AC");
    EXPECT_EQ(CharHexCode(0xD83D), u"D83D");
    EXPECT_EQ(CharHexCode(0xFFFF), u"FFFF");
}

// The fast escaping must agree with escaping one character at a time by its hex code.
TEST(EscapeText, EqualsEscapingEveryCodeUnitByItsHexCode)
{
    std::u16string all;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        all.push_back(static_cast<char16_t>(c));
    }
    std::u16string expected;
    for (char16_t c : all) {
        const std::u16string hex = CharHexCode(c);
        switch (hex.size()) {
        case 1:
            expected += u"%0" + hex;
            break;
        case 2:
            expected += u"%" + hex;
            break;
        case 3:
            expected += u"%u0" + hex;
            break;
        default:
            expected += u"%u" + hex;
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
