#include "files/PageCodec.h"

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

TEST(PageCodec, Utf8PagesKeepEveryCharacterBothWays)
{
    const std::string bytes = "<p>Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80</p>";
    const DecodedPage page = DecodePage(bytes);
    EXPECT_EQ(page.encoding, (PageEncoding{Encoding::Utf8, false}));
    EXPECT_EQ(page.text, u"<p>Caf\u00E9 \u65E5\u672C \U0001F600</p>");
    EXPECT_TRUE(page.declaredCharset.empty());
    EXPECT_EQ(EncodePage(page.text, page.encoding), bytes);
}

// Bytes that are not UTF-8 (any byte, surrogate halves encoded, a sequence cut short) are read as
// Windows-1252 and come back byte for byte.
TEST(PageCodec, BytesThatAreNotUtf8AreReadAsWindows1252Losslessly)
{
    for (const std::string& bytes :
         {allBytesExceptNul(), std::string("<p>\xED\xA0\xBD\xED\xB8\x80</p>"),
          std::string("<p>\xC3</p>"), std::string("\xF0\x9F\x98")}) {
        SCOPED_TRACE(bytes.size());
        const DecodedPage page = DecodePage(bytes);
        EXPECT_EQ(page.encoding.name(), "windows-1252");
        EXPECT_EQ(EncodePage(page.text, page.encoding), bytes);
    }
    const std::u16string text = DecodePage(allBytesExceptNul()).text;
    EXPECT_EQ(text[0x80 - 1], u'\u20AC');
    EXPECT_EQ(text[0x81 - 1], u'\u0081');
    EXPECT_EQ(text[0xE9 - 1], u'\u00E9');
}

TEST(PageCodec, ByteOrderMarksDecideAndComeBack)
{
    const std::string utf8 = "\xEF\xBB\xBF<p>\xC3\xA9</p>";
    DecodedPage page = DecodePage(utf8);
    EXPECT_EQ(page.encoding, (PageEncoding{Encoding::Utf8, true}));
    EXPECT_EQ(page.text, u"<p>\u00E9</p>");
    EXPECT_EQ(EncodePage(page.text, page.encoding), utf8);

    const std::string le("\xFF\xFE<\0p\0>\0\xE9\0", 10);
    page = DecodePage(le);
    EXPECT_EQ(page.encoding, (PageEncoding{Encoding::Utf16Le, true}));
    EXPECT_EQ(page.text, u"<p>\u00E9");
    EXPECT_EQ(EncodePage(page.text, page.encoding), le);

    const std::string be("\xFE\xFF\0<\0p\xD8\x3D\xDE\x00", 10);
    page = DecodePage(be);
    EXPECT_EQ(page.encoding, (PageEncoding{Encoding::Utf16Be, true}));
    EXPECT_EQ(page.text, u"<p\U0001F600");
    EXPECT_EQ(EncodePage(page.text, page.encoding), be);

    // An odd last byte and a lone surrogate read as U+FFFD, as in the browser; a page with a
    // mark is not searched for a declaration.
    page = DecodePage(std::string("\xFF\xFE\x00\xD8<\0x", 7));
    EXPECT_EQ(page.text, u"\uFFFD<\uFFFD");
    page = DecodePage("\xEF\xBB\xBF" + metaPage("shift_jis", "\xFF"));
    EXPECT_EQ(page.encoding.name(), "UTF-8");
    EXPECT_TRUE(page.declaredCharset.empty());
    EXPECT_NE(page.text.find(u"\uFFFD"), std::u16string::npos);
}

TEST(PageCodec, DeclaredEncodingsAreUsedWhenThePageDecodesInThem)
{
    // "日本" in Shift_JIS and "한국어" in EUC-KR.
    DecodedPage page = DecodePage(metaPage("Shift_JIS", "\x93\xFA\x96\x7B"));
    EXPECT_EQ(page.encoding.name(), "Shift_JIS");
    EXPECT_EQ(page.declaredCharset, "shift_jis");
    EXPECT_NE(page.text.find(u"\u65E5\u672C"), std::u16string::npos);
    EXPECT_EQ(EncodePage(page.text, page.encoding), metaPage("Shift_JIS", "\x93\xFA\x96\x7B"));

    page = DecodePage("<meta charset=\"euc-kr\"><p>\xC7\xD1\xB1\xB9\xBE\xEE</p>");
    EXPECT_EQ(page.encoding.name(), "EUC-KR");
    EXPECT_EQ(page.text, u"<meta charset=\"euc-kr\"><p>\uD55C\uAD6D\uC5B4</p>");

    page = DecodePage(metaPage("iso-8859-1", "\xE9\x80"));
    EXPECT_EQ(page.encoding.name(), "windows-1252");
    EXPECT_EQ(page.declaredCharset, "iso-8859-1");
    EXPECT_NE(page.text.find(u"\u00E9\u20AC"), std::u16string::npos);
}

TEST(PageCodec, DeclarationsThatDoNotHoldFallBack)
{
    // Declared Shift_JIS, but the bytes are not Shift_JIS (a lead byte before a blank): UTF-8
    // when they are UTF-8, else Windows-1252, while the declaration is still repeated for the
    // browser.
    DecodedPage page = DecodePage(metaPage("shift_jis", "\xC3\xA9 \x81 "));
    EXPECT_EQ(page.encoding.name(), "windows-1252");
    EXPECT_EQ(page.declaredCharset, "shift_jis");
    page = DecodePage(metaPage("shift_jis", "\xC3\xA9 \xE2\x82\xAC\xA0"));
    EXPECT_EQ(page.encoding.name(), "windows-1252");
    page = DecodePage(metaPage("euc-kr", "\xC3\xA9"));
    EXPECT_EQ(page.encoding.name(), "EUC-KR");

    // UTF-16 declared in an ASCII page means UTF-8; x-user-defined means Windows-1252.
    page = DecodePage(metaPage("utf-16", "\xC3\xA9"));
    EXPECT_EQ(page.encoding.name(), "UTF-8");
    EXPECT_EQ(page.declaredCharset, "utf-16");
    page = DecodePage(metaPage("x-user-defined", "\xC3\xA9"));
    EXPECT_EQ(page.encoding.name(), "windows-1252");

    // Unknown and replacement labels are ignored.
    for (const char* label : {"klingon", "iso-2022-kr", ""}) {
        page = DecodePage(metaPage(label, "\xC3\xA9"));
        EXPECT_EQ(page.encoding.name(), "UTF-8") << label;
        EXPECT_TRUE(page.declaredCharset.empty()) << label;
    }
}

// Where ICU's converters and the browser's tables disagree, pages read as in the browser.
TEST(PageCodec, BrowserTablesWinOverIcus)
{
    const auto decoded = [](std::string_view charset, const std::string& bytes) {
        const DecodedPage page = DecodePage("<meta charset=" + std::string(charset) + ">" + bytes);
        EXPECT_EQ(page.declaredCharset, charset);
        return std::string(page.encoding.name()) + ":" +
               quorlane::test::U8(page.text.substr(page.text.find(u'>') + 1));
    };
    EXPECT_EQ(decoded("shift_jis", "\x1A\x1C\x7F\x80\x5C\x7E"),
              "Shift_JIS:\x1A\x1C\x7F\xC2\x80\\~");
    EXPECT_EQ(decoded("ibm866", "\x1A\x7F"), "IBM866:\x1A\x7F");
    EXPECT_EQ(decoded("koi8-u", "\xAE"), "KOI8-U:\xD1\x9E");
    EXPECT_EQ(decoded("windows-1255", "\xCA"), "windows-1255:\xD6\xBA");
    EXPECT_EQ(decoded("gbk", "\x80\xA3\xA0"), "GBK:\xE2\x82\xAC\xE3\x80\x80");
    EXPECT_EQ(decoded("big5", "\x88\x62"), "Big5:\xC3\x8A\xCC\x84");
    // Codes the browser rejects make the page fall back, though ICU would read them.
    EXPECT_EQ(decoded("euc-kr", "\xC9\xA1\xA1"), "windows-1252:\xC3\x89\xC2\xA1\xC2\xA1");
    EXPECT_EQ(decoded("windows-874", "\xDB"), "windows-1252:\xC3\x9B");
}

// Found by fuzzing: a byte above every lead byte, followed by another, was looked up beyond the
// table of two-byte sequences.
TEST(PageCodec, BytesBeyondTheLeadBytesAreRejected)
{
    for (const char* charset : {"shift_jis", "euc-kr", "gbk", "big5", "euc-jp"}) {
        const DecodedPage page =
            DecodePage("<meta charset=" + std::string(charset) + ">\xFF\xFF\xA1");
        EXPECT_EQ(page.encoding.name(), "windows-1252") << charset;
    }
}

TEST(PageCodec, LegacyEncodingsRoundTrip)
{
    const std::pair<const char*, std::string> pages[] = {
        {"shift_jis", "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 \x5C"},
        {"euc-jp", "\xC6\xFC\xCB\xDC \x8E\xB1 \x8F\xB0\xA1"},
        {"euc-kr", "\xC7\xD1\xB1\xB9\xBE\xEE \x81\x41"},
        {"gb18030", "\xD6\xD0\xCE\xC4 \x80 \x81\x30\x81\x30 \x95\x32\x82\x36"},
        {"big5", "\xA4\xA4\xA4\xE5 \x87\x40"},
        {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4"},
        {"iso-8859-7", "\xC1\xE8\xDE\xED\xE1"},
    };
    for (const auto& [charset, body] : pages) {
        const std::string bytes = "<meta charset=" + std::string(charset) + "><p>" + body + "</p>";
        const DecodedPage page = DecodePage(bytes);
        EXPECT_EQ(page.declaredCharset, charset);
        EXPECT_EQ(EncodePage(page.text, page.encoding), bytes) << charset;
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
    EXPECT_EQ(EncodingForLabel("iso-2022-kr"), Encoding::Replacement);
    EXPECT_EQ(EncodingForLabel("ucs-2"), Encoding::Utf16Le);
    EXPECT_EQ(EncodingForLabel("nonsense"), std::nullopt);
    // One row per encoding, in the order of the enumeration.
    for (int e = 0; e <= static_cast<int>(Encoding::XUserDefined); ++e) {
        EXPECT_EQ(EncodingNamed(EncodingName(Encoding(e))), Encoding(e)) << e;
    }
}

TEST(PageCodec, NulCharactersAreRemoved)
{
    EXPECT_EQ(DecodePage(std::string("a\0b", 3)).text, u"ab");
    EXPECT_EQ(DecodePage(std::string("\xFF\xFE"
                                     "a\0\0\0b\0",
                                     8))
                  .text,
              u"ab");
}

TEST(PageCodec, CharactersAnEncodingCannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(EncodePage(u"\u00E9\u4E00\u20AC", {Encoding::Windows1252, false}), "\xE9?\x80");
    EXPECT_EQ(EncodePage(std::u16string{u'a', 0xD800, u'b'}, {Encoding::Utf8, false}), "a?b");
    EXPECT_EQ(EncodePage(u"\u65E5\u00E9", {Encoding::ShiftJis, false}), "\x93\xFA?");
    EXPECT_EQ(EncodePage(u"\u0218\u00E9\u4E00", {Encoding::Iso8859_16, false}), "\xAA\xE9?");
}

TEST(PageCodec, WritingInPiecesGivesTheSameBytes)
{
    std::u16string text;
    for (int i = 0; i < 70000; ++i) {
        text += (i % 3 == 0) ? u"\U0001F600" : (i % 3 == 1 ? u"\u00E9x" : u"\u65E5");
    }
    for (const PageEncoding& encoding :
         {PageEncoding{Encoding::Utf8, true}, PageEncoding{Encoding::Windows1252, false},
          PageEncoding{Encoding::Utf16Be, true}, PageEncoding{Encoding::EucJp, false},
          PageEncoding{Encoding::Iso2022Jp, false}}) {
        SCOPED_TRACE(std::string(encoding.name()));
        const std::string bytes = EncodePage(text, encoding);
        std::ostringstream out;
        PageWriter whole(out, encoding);
        whole.append(text);
        whole.finish();
        EXPECT_EQ(out.str(), bytes);
        // Handed over in pieces of many sizes, some cutting a surrogate pair in two.
        std::ostringstream inPieces;
        PageWriter writer(inPieces, encoding);
        for (std::size_t i = 0, n = 1; i < text.size(); i += n, n = n * 7 % 90001 + 1) {
            writer.append(std::u16string_view(text).substr(i, n));
        }
        EXPECT_TRUE(writer.finish());
        EXPECT_EQ(inPieces.str(), bytes);
    }
}

// Read back in pieces of any size, a written page gives the text it gives whole, and bytes that
// are no page in its encoding are refused.
TEST(ReadBackDecoder, PiecesGiveTheTextOfTheWhole)
{
    std::u16string text;
    for (int i = 0; i < 3000; ++i) {
        text += u"<p>\u65E5\u672C a%\u00E9</p>\r\n";
    }
    for (const PageEncoding& encoding :
         {PageEncoding{Encoding::Utf8, true}, PageEncoding{Encoding::Utf16Be, true},
          PageEncoding{Encoding::ShiftJis, false}, PageEncoding{Encoding::Gbk, false},
          PageEncoding{Encoding::Iso2022Jp, false}}) {
        SCOPED_TRACE(std::string(encoding.name()));
        const std::string bytes = EncodePage(text, encoding);
        std::u16string whole;
        ASSERT_TRUE(ReadBackInto(bytes, encoding, whole));
        std::u16string pieces;
        ReadBackDecoder decoder(encoding, [&](std::u16string_view piece) { pieces += piece; });
        for (std::size_t i = 0, n = 1; i < bytes.size(); i += n, n = n * 13 % 997 + 1) {
            ASSERT_TRUE(decoder.add(std::string_view(bytes).substr(i, n)));
        }
        ASSERT_TRUE(decoder.finish());
        EXPECT_EQ(pieces, whole);
    }
    ReadBackDecoder cut({Encoding::ShiftJis, false}, [](std::u16string_view) {});
    EXPECT_TRUE(cut.add("<p>\x93"));
    EXPECT_FALSE(cut.finish());
}
