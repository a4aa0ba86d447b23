#include "core/PageEncoder.h"

#include <gtest/gtest.h>

#include "tests/support/PageDecoding.h"

using namespace quorlane::core;

// Every code unit, each 16-bit half of a pair on its own: "%XX" below 0x100, else "%uXXXX", in
// capital hex digits; the fast paths take runs of eight, so every unit meets every lane.
TEST(EscapeText, EscapesEveryCodeUnitByItsHexCode)
{
    std::u16string all;
    std::u16string expected;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        all.push_back(static_cast<char16_t>(c));
        constexpr char16_t hex[] = u"0123456789ABCDEF";
        expected += c < 0x100 ? u"%" : u"%u";
        for (int shift = c < 0x100 ? 4 : 12; shift >= 0; shift -= 4) {
            expected += hex[(c >> shift) & 15];
        }
    }
    EXPECT_EQ(EscapeText(all), expected);
    EXPECT_EQ(EscapedSize(all), expected.size());
}

// External script elements stay plain between writer blocks; everything else, inline scripts
// too, is escaped with the markup before it.
TEST(EncodeMarkup, KeepsOnlyExternalScriptsPlain)
{
    const std::u16string src = u"<SCRIPT SRC=\"a.js\"></SCRIPT>";
    const std::u16string late = u"<script type=\"text/javascript\" src=\"b.js\"></script>";
    const std::u16string inlined = u"<script type=\"text/javascript\">var a=1;</script>";
    const std::u16string spaced = u"<script src =\"a.js\"></script>";
    const std::u16string bare = u"<script>var b;</script><script\nsrc=\"c.js\"></script>";
    const std::u16string open = u"<p>1</p><script src=\"b.js\">never closed";
    const struct
    {
        std::u16string markup;
        std::vector<std::u16string> pieces; // "w" and what a writer block writes, or a kept element
    } cases[] = {
        {u"<p>x</p>", {u"w<p>x</p>"}},
        {u"", {u"w"}},
        {u"<p>1</p>" + src + u"<p>2</p>", {u"w<p>1</p>", src, u"w<p>2</p>"}},
        {src, {u"w", src, u"w"}},
        {late + u"x", {u"w", late, u"wx"}},
        {u"<b>" + inlined + u"<p>x</p>", {u"w<b>" + inlined, u"w<p>x</p>"}},
        {spaced, {u"w" + spaced, u"w"}},
        {bare, {u"w" + bare}},
        {src + open, {u"w", src, u"w" + open}},
        {u"<script type=x", {u"w<script type=x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(quorlane::test::U8(c.markup));
        std::u16string expected;
        for (const std::u16string& piece : c.pieces) {
            expected += piece[0] == u'w' ? MakeWriterBlock(piece.substr(1)) : piece;
        }
        EXPECT_EQ(EncodeMarkup(c.markup), expected);
    }
}
