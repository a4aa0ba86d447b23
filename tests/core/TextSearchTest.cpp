#include "core/TextSearch.h"

#include <gtest/gtest.h>

using namespace quorlane::core;

TEST(TextSearch, IgnoringCaseFoldsAsciiLettersOnly)
{
    EXPECT_EQ(FindIgnoreCase(u"xx<BoDy>", u"<body"), 2u);
    EXPECT_EQ(FindIgnoreCase(u"<bodz <body", u"<body"), 6u);
    EXPECT_EQ(FindIgnoreCase(u"<body", u"<body", 1), npos);
    // U+212A KELVIN SIGN and friends do not match ASCII letters; nor does "{" match "[".
    EXPECT_EQ(FindIgnoreCase(u"\u212Aey", u"key"), npos);
    EXPECT_EQ(FindIgnoreCase(u"[", u"{"), npos);
    EXPECT_EQ(FindIgnoreCase(u"mMAILTO:", u"mailto:"), 1u);
    EXPECT_EQ(FindExact(u"MAILTO: mailto:", u"mailto:"), 8u);
    EXPECT_EQ(FindIgnoreCase(u"ab", u"abc"), npos);
    EXPECT_EQ(FindIgnoreCase(u"abc", u"c", 3), npos);
}

// At every offset, so that every vector lane and the tail are met, among decoys that match all
// but the last unit of the needle.
TEST(TextSearch, FindsAtEveryOffsetAmongDecoys)
{
    for (std::size_t size = 3; size < 40; ++size) {
        for (std::size_t at = 0; at + 3 <= size; ++at) {
            std::u16string text;
            for (std::size_t i = 0; i < size; ++i) {
                text.push_back(i % 3 == 0 ? u'<' : (i % 3 == 1 ? u'F' : u'x'));
            }
            text.replace(at, 3, u"<fR");
            EXPECT_EQ(FindUnit(text, u'R'), at + 2) << size;
            EXPECT_EQ(FindUnit(text, u'R', at + 3), npos) << size;
            EXPECT_EQ(FindIgnoreCase(text, u"r"), at + 2) << size;
            EXPECT_EQ(FindIgnoreCase(text, u"<FR"), at) << size;
            EXPECT_EQ(FindExact(text, u"<fR"), at) << size;
            EXPECT_EQ(FindExact(text, u"<FR"), npos) << size;
            EXPECT_EQ(FindIgnoreCase(text, u"<FR", at + 1), npos) << size;
        }
    }
}

TEST(TextSearch, LastOccurrenceMustEndWithinTheLimit)
{
    EXPECT_EQ(FindLastIgnoreCase(u"<a <A x", u"<a ", 7), 3u);
    EXPECT_EQ(FindLastIgnoreCase(u"<a <A x", u"<a ", 5), 0u);
    EXPECT_EQ(FindLastIgnoreCase(u"<a <A x", u"<a ", 2), npos);
}
