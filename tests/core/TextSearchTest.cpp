#include "core/TextSearch.h"

#include <gtest/gtest.h>

#include "core/RawText.h"

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

TEST(TextSearch, FindsAcrossEveryVectorLaneAndTheTail)
{
    for (std::size_t size = 1; size < 40; ++size) {
        for (std::size_t at = 0; at < size; ++at) {
            std::u16string text(size, u'.');
            text[at] = u'<';
            EXPECT_EQ(FindUnit(text, u'<'), at);
            EXPECT_EQ(FindUnit(text, u'<', at + 1), npos);
            text[at] = u'M';
            EXPECT_EQ(FindIgnoreCase(text, u"m"), at);
        }
    }
}

TEST(TextSearch, LongerNeedlesAreFoundAtEveryOffsetAmongDecoys)
{
    for (std::size_t size = 3; size < 40; ++size) {
        for (std::size_t at = 0; at + 3 <= size; ++at) {
            std::u16string text;
            for (std::size_t i = 0; i < size; ++i) {
                text.push_back(i % 3 == 0 ? u'<' : (i % 3 == 1 ? u'F' : u'x'));
            }
            text.replace(at, 3, u"<fR");
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

TEST(RawText, RegionsAreFoundFromThePageStart)
{
    const std::u16string page = u"a<!-- <script> -->b<script type=x>c<!-- </script >d"
                                u"<TITLE>e</title>f<style/>g</style><stylex>h<!-->i-->j";
    RawText raw(page);
    const auto in = [&](std::u16string_view marker) { return raw.contains(page.find(marker)); };
    EXPECT_FALSE(in(u"a"));
    EXPECT_TRUE(in(u"<script>"));
    EXPECT_FALSE(in(u"b"));
    EXPECT_TRUE(in(u"c"));
    EXPECT_TRUE(in(u"</script >"));
    EXPECT_FALSE(in(u"d"));
    EXPECT_TRUE(in(u"e"));
    EXPECT_FALSE(in(u"f"));
    EXPECT_TRUE(in(u"g"));
    EXPECT_FALSE(in(u"h"));
    // "<!-->" does not close itself.
    EXPECT_TRUE(in(u"i"));
    EXPECT_FALSE(in(u"j"));
}

TEST(RawText, UnclosedRegionsRunToTheEnd)
{
    const std::u16string page = u"x<script>a</script b";
    RawText raw(page);
    EXPECT_TRUE(raw.contains(page.size() - 1));
    EXPECT_EQ(FindOutsideRawText(page, raw, u"b", 0, false), npos);
    const std::u16string comment = u"<a <!-- <a ";
    RawText rawComment(comment);
    EXPECT_EQ(FindOutsideRawText(comment, rawComment, u"<a ", 1, true), npos);
    EXPECT_EQ(FindLastOutsideRawText(comment, rawComment, u"<a ", comment.size()), 0u);
}
