#include "core/PageEncoder.h"

#include <gtest/gtest.h>
#include <random>

#include "tests/support/PageDecoding.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;

namespace {

std::u16string block(std::u16string_view escaped)
{
    return u"<script type=\"text/javascript\">\r\n<!--\r\nqv_d00(unescape(\"" +
           std::u16string(escaped) + u"\"));\r\n//-->\r\n</script>";
}

} // namespace

TEST(WriterBlock, IsAScriptElementWithNoLineBreakAroundIt)
{
    EXPECT_EQ(MakeWriterBlock(u"<p>"), block(u"%3C%70%3E"));
    EXPECT_EQ(MakeWriterBlock(u""), block(u""));
}

TEST(WriterFunction, IsTheExactDefinitionOfQvOkAndQvD00)
{
    EXPECT_EQ(WriterFunctionText(),
              u"\r\nvar qv_ok=true;\r\nfunction qv_d00(s)\r\n{\r\n   "
              u"if(!qv_ok)\r\n       return;\r\n   document.write(s)\r\n}\r\n");
}

TEST(EncodeMarkup, MarkupWithoutScriptsIsOneWriterBlock)
{
    EXPECT_EQ(EncodeMarkup(u"<p>x</p>"), MakeWriterBlock(u"<p>x</p>"));
    EXPECT_EQ(EncodeMarkup(u""), MakeWriterBlock(u""));
}

TEST(EncodeMarkup, KeepsExternalScriptsPlainBetweenWriterBlocks)
{
    const std::u16string script = u"<SCRIPT SRC=\"a.js\"></SCRIPT>";
    EXPECT_EQ(EncodeMarkup(u"<p>1</p>" + script + u"<p>2</p>"),
              MakeWriterBlock(u"<p>1</p>") + script + MakeWriterBlock(u"<p>2</p>"));
    // Alone, the element still stands between two (empty) writer blocks.
    EXPECT_EQ(EncodeMarkup(script), MakeWriterBlock(u"") + script + MakeWriterBlock(u""));
    // Attributes before src count too.
    const std::u16string late = u"<script type=\"text/javascript\" src=\"b.js\"></script>";
    EXPECT_EQ(EncodeMarkup(late + u"x"), MakeWriterBlock(u"") + late + MakeWriterBlock(u"x"));
}

TEST(EncodeMarkup, InlineScriptsAreEscapedWithTheMarkupBeforeThem)
{
    const std::u16string inlineScript = u"<script type=\"text/javascript\">var a=1;</script>";
    EXPECT_EQ(EncodeMarkup(u"<b>" + inlineScript + u"<p>x</p>"),
              MakeWriterBlock(u"<b>" + inlineScript) + MakeWriterBlock(u"<p>x</p>"));
    // Blanks between src and "=" make it inline; so does a script tag without a blank.
    const std::u16string spaced = u"<script src =\"a.js\"></script>";
    EXPECT_EQ(EncodeMarkup(spaced), MakeWriterBlock(spaced) + MakeWriterBlock(u""));
    const std::u16string bare = u"<script>var b;</script><script\nsrc=\"c.js\"></script>";
    EXPECT_EQ(EncodeMarkup(bare), MakeWriterBlock(bare));
}

TEST(EncodeMarkup, UnclosedScriptLeavesTheRestAsOneWriterBlock)
{
    const std::u16string kept = u"<script src=\"a.js\"></script>";
    const std::u16string rest = u"<p>1</p><script src=\"b.js\">never closed";
    EXPECT_EQ(EncodeMarkup(kept + rest), MakeWriterBlock(u"") + kept + MakeWriterBlock(rest));
    EXPECT_EQ(EncodeMarkup(u"<script type=x"), MakeWriterBlock(u"<script type=x"));
}

TEST(EncodeMarkup, SizeIsKnownBeforeWriting)
{
    const std::u16string markup = u"a\u20ACb<script src=x></script>\u00E9";
    const MarkupEncoding encoding(markup);
    EXPECT_EQ(encoding.size(), EncodeMarkup(markup).size());
}

// Decoding every writer block and joining them with the kept elements gives the input back,
// for markup made of pieces that stress the seams.
TEST(EncodeMarkup, DecodesBackToItsInputForGeneratedMarkup)
{
    const std::u16string pieces[] = {
        u"<p>",
        u"</p>",
        u"text ",
        u"\u00E9\u20AC",
        u"\r\n",
        u"<script ",
        u"src=\"a.js\">",
        u"</script>",
        u"<SCRIPT SRC=x>",
        u"</SCRIPT>",
        u"type=y>",
        u">",
        u"<",
        u"<script>",
        u"%u0041",
        u"\U0001F600",
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 30);
    for (int round = 0; round < 2000; ++round) {
        std::u16string markup;
        for (int k = length(random); k > 0; --k) {
            markup += pieces[pick(random)];
        }
        SCOPED_TRACE(quorlane::test::U8(markup));
        const std::u16string encoded = EncodeMarkup(markup);
        const auto decoded = DecodeWriterBlocks(encoded);
        ASSERT_TRUE(decoded.complete);
        ASSERT_EQ(decoded.plain, markup);
        ASSERT_GE(decoded.writtenParts.size(), 1u);
    }
}
