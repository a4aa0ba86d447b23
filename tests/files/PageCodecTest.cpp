#include "files/PageCodec.h"

#include <gtest/gtest.h>
#include <sstream>

#include "files/EncodingLabels.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::files;

namespace {

std::string meta(std::string_view charset, std::string_view body)
{
    return "<meta charset=" + std::string(charset) + ">" + std::string(body);
}

} // namespace

// Pages are read as the browser reads them: by their byte-order mark, else by the charset they
// declare when their bytes hold in it (the browser's tables winning over ICU's), else as UTF-8,
// else as Windows-1252; NUL characters go. What the page declared is kept, to be repeated at the
// top of the protected page; the bytes come back as they were where the encoding allows.
TEST(PageCodec, ReadsPagesAsTheBrowserDoes)
{
    std::string allBytes;
    for (int b = 1; b < 256; ++b) {
        allBytes.push_back(static_cast<char>(b));
    }
    const struct
    {
        std::string bytes;
        std::string_view encoding;
        std::string_view declared;
        std::u16string_view text; // found in the text read
        bool back = true;         // encoded again, the text gives the bytes
    } cases[] = {
        {"<p>Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80</p>", "UTF-8", "",
         u"<p>Caf\u00E9 \u65E5\u672C \U0001F600</p>"},
        {allBytes, "windows-1252", "", u"\u007F\u20AC\u0081\u201A"},
        // Surrogate halves, or cut short, are not UTF-8.
        {"<p>\xED\xA0\xBD\xED\xB8\x80</p>", "windows-1252", "", u"\u00ED\u00A0"},
        {"<p>\xC3</p>", "windows-1252", "", u"<p>\u00C3</p>"},
        {"\xF0\x9F\x98", "windows-1252", "", u"\u00F0\u0178\u02DC"},
        {"\xEF\xBB\xBF<p>\xC3\xA9</p>", "UTF-8", "", u"<p>\u00E9</p>"},
        {std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "UTF-16LE", "", u"<p>\u00E9"},
        {std::string("\xFE\xFF\0<\0p\xD8\x3D\xDE\x00", 10), "UTF-16BE", "", u"<p\U0001F600"},
        // An odd last byte and a lone surrogate read as U+FFFD; a page with a mark is not
        // searched for a declaration.
        {std::string("\xFF\xFE\x00\xD8<\0x", 7), "UTF-16LE", "", u"\uFFFD<\uFFFD", false},
        {"\xEF\xBB\xBF" + meta("shift_jis", "\xFF"), "UTF-8", "", u"\uFFFD", false},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=Shift_JIS\">\x93\xFA\x96\x7B",
         "Shift_JIS", "shift_jis", u"\u65E5\u672C"},
        {meta("\"euc-kr\"", "<p>\xC7\xD1\xB1\xB9\xBE\xEE</p>"), "EUC-KR", "euc-kr",
         u"<p>\uD55C\uAD6D\uC5B4</p>"},
        {meta("iso-8859-1", "\xE9\x80"), "windows-1252", "iso-8859-1", u"\u00E9\u20AC"},
        {meta("gb2312", "\xD6\xD0"), "GBK", "gb2312", u"\u4E2D"},
        // Declarations that do not hold: Shift_JIS with a lead byte before a blank.
        {meta("shift_jis", "\xC3\xA9 \x81 "), "windows-1252", "shift_jis", u"\u00C3\u00A9 \u0081"},
        {meta("shift_jis", "\xC3\xA9 \xE2\x82\xAC\xA0"), "windows-1252", "shift_jis", u"\u00A0"},
        {meta("euc-kr", "\xC3\xA9"), "EUC-KR", "euc-kr", u""},
        // UTF-16 declared in an ASCII page means UTF-8; x-user-defined means Windows-1252.
        {meta("utf-16", "\xC3\xA9"), "UTF-8", "utf-16", u"\u00E9"},
        {meta("x-user-defined", "\xC3\xA9"), "windows-1252", "x-user-defined", u"\u00C3\u00A9"},
        // Unknown and replacement labels are ignored.
        {meta("klingon", "\xC3\xA9"), "UTF-8", "", u"\u00E9"},
        {meta("iso-2022-kr", "\xC3\xA9"), "UTF-8", "", u"\u00E9"},
        {meta("", "\xC3\xA9"), "UTF-8", "", u"\u00E9"},
        // Where ICU's converters and the browser's tables disagree.
        {meta("shift_jis", "\x1A\x1C\x7F\x80\x5C\x7E"), "Shift_JIS", "shift_jis",
         u">\x1A\x1C\x7F\u0080\\~"},
        {meta("ibm866", "\x1A\x7F"), "IBM866", "ibm866", u">\x1A\x7F"},
        {meta("koi8-u", "\xAE"), "KOI8-U", "koi8-u", u">\u045E"},
        {meta("windows-1255", "\xCA"), "windows-1255", "windows-1255", u">\u05BA"},
        {meta("gbk", "\x80\xA3\xA0"), "GBK", "gbk", u">\u20AC\u3000", false},
        {meta("big5", "\x88\x62"), "Big5", "big5", u">\u00CA\u0304", false},
        // Codes the browser rejects make the page fall back, though ICU would read them.
        {meta("euc-kr", "\xC9\xA1\xA1"), "windows-1252", "euc-kr", u">\u00C9\u00A1\u00A1"},
        {meta("windows-874", "\xDB"), "windows-1252", "windows-874", u">\u00DB"},
        // Found by fuzzing: a byte above every lead byte, followed by another, was looked up
        // beyond the table of two-byte sequences.
        {meta("shift_jis", "\xFF\xFF\xA1"), "windows-1252", "shift_jis", u""},
        {meta("euc-kr", "\xFF\xFF\xA1"), "windows-1252", "euc-kr", u""},
        {meta("gbk", "\xFF\xFF\xA1"), "windows-1252", "gbk", u""},
        {meta("big5", "\xFF\xFF\xA1"), "windows-1252", "big5", u""},
        {meta("euc-jp", "\xFF\xFF\xA1"), "windows-1252", "euc-jp", u""},
        // Legacy encodings both ways.
        {meta("shift_jis", "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 \x5C"), "Shift_JIS", "shift_jis",
         u"\u65E5\u672C\u8A9E \uFF71\uFF72 \\"},
        {meta("euc-jp", "\xC6\xFC\xCB\xDC \x8E\xB1 \x8F\xB0\xA1"), "EUC-JP", "euc-jp",
         u"\u65E5\u672C \uFF71"},
        {meta("euc-kr", "\xC7\xD1\xB1\xB9\xBE\xEE \x81\x41"), "EUC-KR", "euc-kr", u"\uD55C"},
        {meta("gb18030", "\xD6\xD0\xCE\xC4 \x80 \x81\x30\x81\x30 \x95\x32\x82\x36"), "gb18030",
         "gb18030", u"\u4E2D\u6587 \u20AC \u0080"},
        {meta("big5", "\xA4\xA4\xA4\xE5 \x87\x40"), "Big5", "big5", u"\u4E2D\u6587"},
        {meta("windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2"), "windows-1251", "windows-1251",
         u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {meta("koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4"), "KOI8-R", "koi8-r",
         u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {meta("iso-8859-7", "\xC1\xE8\xDE\xED\xE1"), "ISO-8859-7", "iso-8859-7", u"\u0391\u03B8"},
        {std::string("a\0b", 3), "UTF-8", "", u"ab", false},
        {std::string("\xFF\xFE"
                     "a\0\0\0b\0",
                     8),
         "UTF-16LE", "", u"ab", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        const DecodedPage page = DecodePage(c.bytes);
        EXPECT_EQ(page.encoding.name, c.encoding);
        EXPECT_EQ(page.encoding.byteOrderMark, c.bytes.starts_with("\xEF\xBB\xBF") ||
                                                   c.bytes.starts_with("\xFF\xFE") ||
                                                   c.bytes.starts_with("\xFE\xFF"));
        EXPECT_EQ(page.declaredCharset, c.declared);
        EXPECT_NE(page.text.find(c.text), std::u16string::npos) << quorlane::test::U8(page.text);
        if (c.back) {
            EXPECT_EQ(EncodePage(page.text, page.encoding), c.bytes);
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

TEST(PageCodec, CharactersAnEncodingCannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(EncodePage(u"\u00E9\u4E00\u20AC", {"windows-1252", false}), "\xE9?\x80");
    EXPECT_EQ(EncodePage(std::u16string{u'a', 0xD800, u'b'}, {"UTF-8", false}), "a?b");
    EXPECT_EQ(EncodePage(u"\u65E5\u00E9", {"Shift_JIS", false}), "\x93\xFA?");
    EXPECT_EQ(EncodePage(u"\u0218\u00E9\u4E00", {"ISO-8859-16", false}), "\xAA\xE9?");
}

TEST(PageCodec, WritingInPiecesGivesTheSameBytes)
{
    std::u16string text;
    for (int i = 0; i < 70000; ++i) {
        text += (i % 3 == 0) ? u"\U0001F600" : (i % 3 == 1 ? u"\u00E9x" : u"\u65E5");
    }
    for (const PageEncoding& encoding :
         {PageEncoding{"UTF-8", true}, PageEncoding{"windows-1252", false},
          PageEncoding{"UTF-16BE", true}, PageEncoding{"EUC-JP", false},
          PageEncoding{"ISO-2022-JP", false}}) {
        SCOPED_TRACE(encoding.name);
        const std::string bytes = EncodePage(text, encoding);
        std::ostringstream out;
        WritePage(out, text, encoding);
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
