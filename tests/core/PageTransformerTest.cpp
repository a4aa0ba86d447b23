#include "core/PageTransformer.h"

#include <gtest/gtest.h>
#include <vector>

#include "core/Utf8.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;

namespace {

// A path written with "/", in the platform's own form.
PathString native(std::string_view path)
{
    return PathFromAddress(Utf8ToUtf16(path));
}

const std::u16string banner =
    u"<table width=100% border=0><tr bgcolor=#445577 align=center><td><a "
    u"href=https://www.quorlane.example/><font face=Arial, Helvetica, sans-serif color=#FFFFFF "
    u"size=-1>This webpage was protected by Quorlane</font></a></td></tr></table>";

std::u16string protect(std::u16string page, const ProtectionSettings& settings)
{
    ProtectPage(page, settings);
    return page;
}

ProtectionSettings inMode(ProtectMode mode)
{
    ProtectionSettings settings;
    settings.protectMode = mode;
    return settings;
}

// The transformed page behind the top (which the golden pages pin), its writer blocks decoded.
std::u16string decodedBody(const std::u16string& protectedPage)
{
    constexpr std::u16string_view topEnd = u"</NOSCRIPT>\r\n";
    const std::size_t body = protectedPage.find(topEnd);
    EXPECT_NE(body, std::u16string::npos);
    return DecodeWriterBlocks(protectedPage.substr(body + topEnd.size())).plain;
}

} // namespace

TEST(ProtectPage, SkeletonRepairAddsOnlyWhatIsMissing)
{
    const ProtectionSettings settings = inMode(ProtectMode::AllLinks);
    // {B} marks where a banner goes.
    struct Case
    {
        const char* name;
        std::u16string page;
        std::u16string expected;
    } cases[] = {
        {"no html", u"<head></head><body>x</body>",
         u"<HTML><head></head><body>{B}x{B}</body></HTML>"},
        {"no closing html", u"<html><body>x</body>",
         u"<html><HEAD></HEAD><body>{B}x{B}</body></HTML>"},
        // The first ">" after "<html" is the one of the appended end tag.
        {"html tag without >", u"<html", u"{B}<html</HTML><HEAD></HEAD>{B}"},
        {"no body", u"<html><head><title>t</title></head>x</html>",
         u"<html><head><title>t</title></head><BODY>{B}x{B}</BODY></html>"},
        {"no closing head", u"<html><head>x</html>", u"{B}<html><head>x</html>{B}"},
        {"closing html before head end", u"<html><head></html></head>x",
         u"{B}<html><head></html></head>x{B}"},
        {"header is taken for head", u"<html><header>h</header>x</html>",
         u"<html><header>h</header><BODY>{B}x{B}</BODY></html>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string expected = c.expected;
        for (std::size_t at; (at = expected.find(u"{B}")) != std::u16string::npos;) {
            expected.replace(at, 3, banner);
        }
        EXPECT_EQ(decodedBody(protect(c.page, settings)), expected);
    }
}

// A doctype moves to the top when only an XML declaration, comments and white space stand before
// it within the first 100 characters; anything else before it keeps it (and the prolog) in place.
TEST(ProtectPage, AnEarlyDoctypeMovesToTheTop)
{
    const ProtectionSettings settings = inMode(ProtectMode::AllLinks);
    const std::u16string html = u"<!DOCTYPE html>";
    const std::u16string w3c = u"<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">";
    const std::u16string prolog =
        u"<?xml version=\"1.0\"?>\r\n<!-- " + std::u16string(200, u'c') + u" -->\t\f \r\n";
    const std::u16string rest = u"<html><head></head><body>x</body></html>";
    const struct
    {
        std::u16string before;
        std::u16string doctype;
        bool moves;
    } cases[] = {
        {u"", html + u"\r\n", true},
        {prolog, w3c, true},
        {std::u16string(95, u'x'), html, false},
        {std::u16string(120, u'x'), w3c, false},
        {u"<!-- " + std::u16string(120, u'c'), w3c, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(quorlane::test::U8(c.before.substr(0, 20) + c.doctype));
        const std::u16string out = protect(c.before + c.doctype + rest, settings);
        const std::u16string top = out.substr(0, out.find(u"<script"));
        EXPECT_EQ(top, c.moves ? c.doctype.substr(0, c.doctype.find(u'>') + 1) + u"\r\n" : u"");
        EXPECT_EQ(out.find(c.doctype, top.size()) != std::u16string::npos, !c.moves);
        EXPECT_NE(out.find(c.before + (c.moves ? u"" : c.doctype) + u"<html>"),
                  std::u16string::npos);
    }
    // Without a ">" after it, it stays too.
    EXPECT_TRUE(protect(u"<!DOCTYPE html", settings).starts_with(u"<script"));
}

// Head and body markup goes in once: meta elements the page has already are not repeated, and
// the body attributes go before the body's closing bracket.
TEST(ProtectPage, HeadAndBodyMarkupGoesInOnce)
{
    ProtectionSettings settings = inMode(ProtectMode::EmailLinksOnly);
    for (const ScriptOption option : {ScriptOption::NoImageToolbar, ScriptOption::ExpirePage,
                                      ScriptOption::NoTextSelect, ScriptOption::NoDragDrop}) {
        settings.scriptSwitches.set(option);
    }
    const std::u16string page = u"<html><head><meta http-equiv=\"expires\" content=\"0\">"
                                u"<Meta Http-Equiv=\"ImageToolbar\" content=\"no\"></head>"
                                u"<body class=a><p>x</p></body></html>";
    const std::u16string out = decodedBody(protect(page, settings));
    EXPECT_EQ(out.find(u"EXPIRES"), std::u16string::npos);
    EXPECT_EQ(out.find(u"imagetoolbar"), std::u16string::npos);
    EXPECT_NE(out.find(u"<body class=a onselectstart=\"return false\" unselectable=\"on\" "
                       u"style=\"-moz-user-select:none;\"  onbeforecopy=\"return false\" "
                       u"oncopy=\"return false\" onselectstart=\"return false\" "
                       u"unselectable=\"on\" style=\"-moz-user-select:none;\"  "
                       u"ondragover=\"overDrag()\" ondragenter=\"enterDrag()\" >"),
              std::u16string::npos);
}

// A frameset whose frames all have a source stays as it is and names its local frames; one
// frame without a source makes it a page like any other, without a banner.
TEST(ProtectPage, FramesetsStayAndNameTheirLocalFrames)
{
    const ProtectionSettings settings;
    const std::u16string frameset =
        u"<frameset cols=\"50%,50%\"><FRAME name=a SRC=\"left page.htm\">"
        u"<frame src='sub/right.htm' ><frame src=http://www.other.example/x.htm></frameset>";
    EXPECT_EQ(protect(frameset, settings), frameset);
    std::vector<FileRecord> named;
    FrameScanner frames(frameset);
    for (std::u16string source; frames.next(source) == FrameScanner::Next::Frame;) {
        if (const auto frame =
                FramePageRecord({native("/site"), native("/pages/index.htm")}, source)) {
            named.push_back(*frame);
        }
    }
    EXPECT_EQ(named, (std::vector<FileRecord>{{native("/site"), native("/pages/left page.htm")},
                                              {native("/site"), native("/pages/sub/right.htm")}}));

    const std::u16string sourceless = u"<frameset><frame src=a.htm><frame name=x></frameset>";
    const std::u16string page = protect(sourceless, settings);
    EXPECT_NE(page, sourceless);
    EXPECT_EQ(decodedBody(page).find(u"<table"), std::u16string::npos);
    EXPECT_FALSE(FramesRecognised(u"<frame src>"));
    EXPECT_FALSE(FramesRecognised(u"<frameset></frameset>"));
    EXPECT_TRUE(FramesRecognised(u"<frame src=x.htm>"));
}

TEST(ReadAttributeValue, ReadsQuotedAndBareValues)
{
    const auto read = [](std::u16string_view text) {
        return ReadAttributeValue(0, text.size(), text);
    };
    EXPECT_EQ(read(u"\"a b\" c"), u"a b");
    EXPECT_EQ(read(u"  'x.htm'"), u"x.htm");
    EXPECT_EQ(read(u"\"a'b\""), u"a");
    EXPECT_EQ(read(u"x.htm name=y"), u"x.htm");
    EXPECT_EQ(read(u"x\"y z"), u"x\"y");
    EXPECT_EQ(read(u"\tx.htm"), u"\tx.htm");
    EXPECT_EQ(read(u"\" a \""), u"a");
    EXPECT_EQ(read(u""), u"");
    EXPECT_EQ(ReadAttributeValue(3, 2, u"abcdef"), u"");
    EXPECT_EQ(ReadAttributeValue(1, 4, u"=abcdef"), u"abc");
}
