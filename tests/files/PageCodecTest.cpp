#include "files/PageCodec.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <sstream>

#include "files/EncodingLabels.h"
#include "files/ReadBack.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::files;
using quorlane::test::U16;

namespace {

std::string allBytesExceptNul()
{
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

std::string metaPage(std::string_view charset, std::string_view body)
{
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
           std::string(charset) + "\"></head><body>" + std::string(body) + "</body></html>";
}

} // namespace

// Without a declaration a byte order mark decides, else bytes that are UTF-8 are read so and
// any others (surrogate halves encoded, a sequence cut short) as Windows-1252, so that every
// page comes back byte for byte: all but NUL characters, which are removed, and an odd last
// byte or a lone surrogate in UTF-16, which read as U+FFFD, as in the browser.
TEST(PageCodec, PagesWithoutADeclarationComeBackAsTheyWere)
{
    const struct
    {
        std::string bytes;
        PageEncoding encoding;
        std::u16string text;
        bool roundTrip = true;
    } cases[] = {
        {"\xEF\xBB\xBF<p>\xC3\xA9</p>", {Encoding::Utf8, true}, u"<p>\u00E9</p>"},
        {std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), {Encoding::Utf16Le, true}, u"<p>\u00E9"},
        {std::string("\xFE\xFF\0<\0p\xD8\x3D\xDE\x00", 10),
         {Encoding::Utf16Be, true},
         u"<p\U0001F600"},
        {std::string("\xFF\xFE\x00\xD8<\0x", 7),
         {Encoding::Utf16Le, true},
         u"\uFFFD<\uFFFD",
         false},
        {std::string("\xFF\xFE"
                     "a\0\0\0b\0",
                     8),
         {Encoding::Utf16Le, true},
         u"ab",
         false},
        {std::string("a\0b", 3), {Encoding::Utf8, false}, u"ab", false},
        {"<p>\xED\xA0\xBD\xED\xB8\x80</p>",
         {Encoding::Windows1252, false},
         u"<p>\u00ED\u00A0\u00BD\u00ED\u00B8\u20AC</p>"},
        {"<p>\xC3</p>", {Encoding::Windows1252, false}, u"<p>\u00C3</p>"},
        {"\xF0\x9F\x98", {Encoding::Windows1252, false}, u"\u00F0\u0178\u02DC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(quorlane::test::U8(c.text));
        const DecodedPage page = DecodePage(c.bytes);
        EXPECT_EQ(page.encoding, c.encoding);
        EXPECT_EQ(page.text, c.text);
        EXPECT_TRUE(page.declaredCharset.empty());
        if (c.roundTrip) {
            EXPECT_EQ(EncodePage(page.text, page.encoding), c.bytes);
        }
    }
    const DecodedPage all = DecodePage(allBytesExceptNul());
    EXPECT_EQ(all.encoding.name(), "windows-1252");
    EXPECT_EQ(EncodePage(all.text, all.encoding), allBytesExceptNul());
    EXPECT_EQ(all.text[0x80 - 1], u'\u20AC');
    EXPECT_EQ(all.text[0x81 - 1], u'\u0081');
    EXPECT_EQ(all.text[0xE9 - 1], u'\u00E9');
    // A page with a mark is not searched for a declaration.
    const DecodedPage marked = DecodePage("\xEF\xBB\xBF" + metaPage("shift_jis", "\xFF"));
    EXPECT_EQ(marked.encoding.name(), "UTF-8");
    EXPECT_TRUE(marked.declaredCharset.empty());
    EXPECT_NE(marked.text.find(u"\uFFFD"), std::u16string::npos);
}

// A declared encoding is used when the page decodes in it, as the browser's tables read it where
// ICU's converters differ; else the page is read as UTF-8 when it is UTF-8, as Windows-1252 when
// not, while the declaration is still repeated for the browser. UTF-16 declared in an ASCII page
// means UTF-8; unknown and replacement labels are ignored.
TEST(PageCodec, DeclaredEncodingsAreUsedWhenThePageDecodesInThem)
{
    const struct
    {
        std::string label;
        std::string bytes;
        std::string_view encoding;
        std::string text; // UTF-8
        bool declared = true;
        bool roundTrip = true; // false where the encoder writes another code for the text
    } cases[] = {
        {"Shift_JIS", "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 \x5C", "Shift_JIS",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xEF\xBD\xB1\xEF\xBD\xB2 \\"},
        {"euc-jp", "\xC6\xFC\xCB\xDC \x8E\xB1 \x8F\xB0\xA1", "EUC-JP",
         "\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1 \xE4\xB8\x82"},
        {"euc-kr", "\xC7\xD1\xB1\xB9\xBE\xEE \x81\x41", "EUC-KR",
         "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xEA\xB0\x82"},
        {"gb18030", "\xD6\xD0\xCE\xC4 \x80 \x81\x30\x81\x30 \x95\x32\x82\x36", "gb18030",
         "\xE4\xB8\xAD\xE6\x96\x87 \xE2\x82\xAC \xC2\x80 \xF0\xA0\x80\x80"},
        {"big5", "\xA4\xA4\xA4\xE5 \x87\x40", "Big5", "\xE4\xB8\xAD\xE6\x96\x87 \xE4\x8F\xB0"},
        {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "windows-1251",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "KOI8-R",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"iso-8859-7", "\xC1\xE8\xDE\xED\xE1", "ISO-8859-7",
         "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1"},
        {"iso-8859-1", "\xE9\x80", "windows-1252", "\xC3\xA9\xE2\x82\xAC"},
        {"shift_jis", "\x1A\x1C\x7F\x80\x5C\x7E", "Shift_JIS", "\x1A\x1C\x7F\xC2\x80\\~"},
        {"ibm866", "\x1A\x7F", "IBM866", "\x1A\x7F"},
        {"koi8-u", "\xAE", "KOI8-U", "\xD1\x9E"},
        {"windows-1255", "\xCA", "windows-1255", "\xD6\xBA"},
        {"gbk", "\x80\xA3\xA0", "GBK", "\xE2\x82\xAC\xE3\x80\x80", true, false},
        {"big5", "\x88\x62", "Big5", "\xC3\x8A\xCC\x84", true, false},
        // Codes the browser rejects, though ICU would read them; a lead byte before a blank.
        {"euc-kr", "\xC9\xA1\xA1", "windows-1252", "\xC3\x89\xC2\xA1\xC2\xA1"},
        {"windows-874", "\xDB", "windows-1252", "\xC3\x9B"},
        {"shift_jis", "\xC3\xA9 \x81 ", "windows-1252", "\xC3\x83\xC2\xA9 \xC2\x81 "},
        {"shift_jis", "\xC3\xA9 \xE2\x82\xAC\xA0", "windows-1252",
         "\xC3\x83\xC2\xA9 \xC3\xA2\xE2\x80\x9A\xC2\xAC\xC2\xA0"},
        {"euc-kr", "\xC3\xA9", "EUC-KR", "\xEC\xB1\x95"},
        {"utf-16", "\xC3\xA9", "UTF-8", "\xC3\xA9"},
        {"x-user-defined", "\xC3\xA9", "windows-1252", "\xC3\x83\xC2\xA9"},
        {"klingon", "\xC3\xA9", "UTF-8", "\xC3\xA9", false},
        {"iso-2022-kr", "\xC3\xA9", "UTF-8", "\xC3\xA9", false},
        {"", "\xC3\xA9", "UTF-8", "\xC3\xA9", false},
        // Found by fuzzing: a byte above every lead byte, followed by another, was looked up
        // beyond the table of two-byte sequences.
        {"shift_jis", "\xFF\xFF\xA1", "windows-1252", "\xC3\xBF\xC3\xBF\xC2\xA1"},
        {"euc-kr", "\xFF\xFF\xA1", "windows-1252", "\xC3\xBF\xC3\xBF\xC2\xA1"},
        {"gbk", "\xFF\xFF\xA1", "windows-1252", "\xC3\xBF\xC3\xBF\xC2\xA1"},
        {"big5", "\xFF\xFF\xA1", "windows-1252", "\xC3\xBF\xC3\xBF\xC2\xA1"},
        {"euc-jp", "\xFF\xFF\xA1", "windows-1252", "\xC3\xBF\xC3\xBF\xC2\xA1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label + " " + c.text);
        const std::string bytes = "<meta charset=" + c.label + ">" + c.bytes;
        const DecodedPage page = DecodePage(bytes);
        EXPECT_EQ(page.encoding.name(), c.encoding);
        EXPECT_EQ(quorlane::test::U8(page.text.substr(page.text.find(u'>') + 1)), c.text);
        std::string declared = c.declared ? c.label : "";
        std::transform(declared.begin(), declared.end(), declared.begin(), ::tolower);
        EXPECT_EQ(page.declaredCharset, declared);
        if (c.roundTrip) {
            EXPECT_EQ(EncodePage(page.text, page.encoding), bytes);
        }
    }
}

TEST(DeclaredCharsetLabel, ReadsTheFirstCharsetOfAMetaTagWithinTheFirst1024Bytes)
{
    EXPECT_EQ(DeclaredCharsetLabel("<META CHARSET='UTF-8'>"), "utf-8");
    EXPECT_EQ(DeclaredCharsetLabel("<meta content=\"text/html;charset=\tEUC-KR\t;x\">"), "euc-kr");
    EXPECT_EQ(DeclaredCharsetLabel("<meta content=\"text/html;charset= EUC-KR\">"), "");
    EXPECT_EQ(DeclaredCharsetLabel("<meta charset=\"\tkoi8-r\n\">"), "koi8-r");
    EXPECT_EQ(DeclaredCharsetLabel("<meta charset=big5/>"), "big5");
    EXPECT_EQ(DeclaredCharsetLabel("<p charset=x><meta name=a><meta charset=gbk>"), "gbk");
    // Only the first charset of a meta tag counts, even an unknown one.
    EXPECT_EQ(DeclaredCharsetLabel("<meta charset=bogus><meta charset=utf-8>"), "bogus");
    EXPECT_EQ(DeclaredCharsetLabel("<meta charset = utf-8>"), "");
    const std::string padding(1000, ' ');
    EXPECT_EQ(DeclaredCharsetLabel(padding + "<meta charset=utf-8>"), "utf-8");
    // A tag whose ">" lies beyond the first 1024 bytes does not count.
    EXPECT_EQ(DeclaredCharsetLabel(padding + "     <meta charset=utf-8>"), "");
    EXPECT_EQ(DeclaredCharsetLabel(padding + padding + "<meta charset=utf-8>"), "");
}

TEST(EncodingForLabel, FollowsTheBrowsersTable)
{
    EXPECT_EQ(EncodingForLabel("latin1"), Encoding::Windows1252);
    EXPECT_EQ(EncodingForLabel("us-ascii"), Encoding::Windows1252);
    EXPECT_EQ(EncodingForLabel("sjis"), Encoding::ShiftJis);
    EXPECT_EQ(EncodingForLabel("gb2312"), Encoding::Gbk);
    EXPECT_EQ(EncodingForLabel("ucs-2"), Encoding::Utf16Le);
    EXPECT_EQ(EncodingForLabel("nonsense"), std::nullopt);
    // One row per encoding, in the order of the enumeration.
    for (int e = 0; e <= static_cast<int>(Encoding::XUserDefined); ++e) {
        EXPECT_EQ(EncodingNamed(EncodingName(Encoding(e))), Encoding(e)) << e;
    }
}

TEST(PageCodec, CharactersAnEncodingCannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(EncodePage(u"\u00E9\u4E00\u20AC", {Encoding::Windows1252, false}), "\xE9?\x80");
    EXPECT_EQ(EncodePage(std::u16string{u'a', 0xDC00, u'b', 0xD800}, {Encoding::Utf8, false}),
              "a?b?");
    EXPECT_EQ(EncodePage(u"\u65E5\u00E9", {Encoding::ShiftJis, false}), "\x93\xFA?");
    EXPECT_EQ(EncodePage(u"\u0218\u00E9\u4E00", {Encoding::Iso8859_16, false}), "\xAA\xE9?");
}

// Written in pieces of many sizes, some cutting a surrogate pair in two, a page gives the bytes it
// gives whole; read back in pieces of any size, those bytes give the text they give whole, and
// bytes that are no page in its encoding are refused.
TEST(PageCodec, WritingAndReadingInPiecesGiveWhatTheWholeGives)
{
    std::u16string text;
    for (int i = 0; i < 70000; ++i) {
        text += (i % 3 == 0) ? u"\U0001F600" : (i % 3 == 1 ? u"<p>\u00E9x a%</p>\r\n" : u"\u65E5");
    }
    for (const PageEncoding& encoding :
         {PageEncoding{Encoding::Utf8, true}, PageEncoding{Encoding::Windows1252, false},
          PageEncoding{Encoding::Utf16Be, true}, PageEncoding{Encoding::EucJp, false},
          PageEncoding{Encoding::ShiftJis, false}, PageEncoding{Encoding::Gbk, false},
          PageEncoding{Encoding::Iso2022Jp, false}}) {
        SCOPED_TRACE(std::string(encoding.name()));
        const std::string bytes = EncodePage(text, encoding);
        std::ostringstream out;
        PageWriter whole(out, encoding);
        whole.append(text);
        whole.finish();
        EXPECT_EQ(out.str(), bytes);
        std::ostringstream inPieces;
        PageWriter writer(inPieces, encoding);
        for (std::size_t i = 0, n = 1; i < text.size(); i += n, n = n * 7 % 90001 + 1) {
            writer.append(std::u16string_view(text).substr(i, n));
        }
        EXPECT_TRUE(writer.finish());
        EXPECT_EQ(inPieces.str(), bytes);

        std::u16string read;
        ASSERT_TRUE(ReadBackInto(bytes, encoding, read));
        std::u16string pieces;
        ReadBackDecoder decoder(encoding, [&](std::u16string_view piece) { pieces += piece; });
        for (std::size_t i = 0, n = 1; i < bytes.size(); i += n, n = n * 13 % 997 + 1) {
            ASSERT_TRUE(decoder.add(std::string_view(bytes).substr(i, n)));
        }
        ASSERT_TRUE(decoder.finish());
        EXPECT_EQ(pieces, read);
    }
    ReadBackDecoder cut({Encoding::ShiftJis, false}, [](std::u16string_view) {});
    EXPECT_TRUE(cut.add("<p>\x93"));
    EXPECT_FALSE(cut.finish());
}
