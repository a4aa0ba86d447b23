#include "core/PageTransformer.h"

#include <gtest/gtest.h>
#include <vector>

#include "core/PageEncoder.h"
#include "core/ProtectionScript.h"
#include "core/TextSearch.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;
using quorlane::test::U8;

namespace {

std::u16string protect(std::u16string page, const ProtectionSettings& settings)
{
    ProtectPage(FileRecord{}, page, settings, nullptr);
    return page;
}

ProtectionSettings inMode(ProtectMode mode)
{
    ProtectionSettings settings;
    settings.protectMode = mode;
    return settings;
}

// The transformed page behind the page script and the no-script notice, its writer blocks
// decoded.
std::u16string decodedBody(const std::u16string& protectedPage)
{
    const std::size_t at = protectedPage.find(u"</NOSCRIPT>\r\n");
    EXPECT_NE(at, std::u16string::npos);
    return quorlane::test::DecodeWriterBlocks(protectedPage.substr(at + 13)).plain;
}

} // namespace

TEST(ProtectPage, SkeletonRepairAddsOnlyWhatIsMissing)
{
    const std::u16string banner =
        u"<table width=100% border=0><tr bgcolor=#445577 align=center><td><a "
        u"href=https://www.quorlane.example/><font face=Arial, Helvetica, sans-serif color=#FFFFFF "
        u"size=-1>This webpage was protected by Quorlane</font></a></td></tr></table>";
    // {B} marks where a banner goes.
    const struct
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string expected = c.expected;
        for (std::size_t at; (at = expected.find(u"{B}")) != std::u16string::npos;) {
            expected.replace(at, 3, banner);
        }
        EXPECT_EQ(decodedBody(protect(c.page, inMode(ProtectMode::AllLinks))), expected);
    }
}

// A DOCTYPE moves to the top when it begins within the first hundred characters, or behind
// nothing but white space, comments and processing instructions; what stood before it stays.
TEST(ProtectPage, DoctypeMovesToTheTopWhenItStandsEarly)
{
    const std::u16string doctype = u"<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">";
    const std::u16string rest = u"<html><head></head><body>x</body></html>";
    const struct
    {
        std::u16string before;
        bool moves;
    } cases[] = {
        {u"", true},
        {std::u16string(91, u'x'), true},
        {std::u16string(92, u'x'), false},
        {u"<?xml version=\"1.0\"?>\r\n<!-- " + std::u16string(200, u'c') + u" -->\t\f \r\n", true},
        {u"<!-- " + std::u16string(120, u'c'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.before.substr(0, 30)) + " (" + std::to_string(c.before.size()) + ")");
        const std::u16string out =
            protect(c.before + doctype + rest, inMode(ProtectMode::AllLinks));
        EXPECT_EQ(out.starts_with(doctype + u"\r\n<script "), c.moves);
        EXPECT_EQ(out.find(doctype, 1) == npos, c.moves);
        EXPECT_NE(decodedBody(out).find(c.before + (c.moves ? u"" : doctype) + u"<html><head>"),
                  npos);
    }
    // Without a ">" after it, it stays.
    EXPECT_TRUE(protect(u"<!DOCTYPE html", {}).starts_with(u"<script "));
}

TEST(ProtectPage, ExistingMetaElementsAreNotRepeated)
{
    ProtectionSettings settings = inMode(ProtectMode::EmailLinksOnly);
    settings.scriptSwitches.set(ScriptOption::NoImageToolbar);
    settings.scriptSwitches.set(ScriptOption::ExpirePage);
    const std::u16string out =
        decodedBody(protect(u"<html><head><meta http-equiv=\"expires\" content=\"0\"><Meta "
                            u"Http-Equiv=\"ImageToolbar\" content=\"no\"></head></html>",
                            settings));
    EXPECT_EQ(out.find(u"EXPIRES"), std::u16string::npos);
    EXPECT_EQ(out.find(u"imagetoolbar"), std::u16string::npos);
}

TEST(ProtectPage, FramesetPagesHandTheirLocalFramesOn)
{
    const std::u16string frameset =
        u"<frameset cols=\"50%,50%\"><FRAME name=a SRC=\"left page.htm\">"
        u"<frame src='sub/right.htm' ><frame src=http://www.other.example/x.htm></frameset>";
    std::vector<FileRecord> handed;
    std::u16string page = frameset;
    const FileRecord record{"/site", "/pages/index.htm"};
    ProtectPage(record, page, {}, [&](FileRecord& frame) { handed.push_back(frame); });
    EXPECT_EQ(page, frameset);
    EXPECT_EQ(handed, (std::vector<FileRecord>{{"/site", "/pages/left page.htm"},
                                               {"/site", "/pages/sub/right.htm"}}));
}

// A frame that cannot be handled, or a frame tag without src, makes the frameset a page like any
// other, only without a banner.
TEST(ProtectPage, FailedFrameHandlingProtectsTheFramesetAsAPage)
{
    const std::u16string frameset = u"<frameset><frame src=a.htm><frame src=b.htm></frameset>";
    int calls = 0;
    std::u16string page = frameset;
    ProtectPage(FileRecord{}, page, {}, [&](FileRecord&) {
        ++calls;
        throw std::runtime_error("unreadable");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_NE(page, frameset);
    EXPECT_EQ(decodedBody(page).find(u"<table"), std::u16string::npos);

    for (const std::u16string_view bad : {u"<frame name=x>", u"<frame src>", u"<frameset>"}) {
        EXPECT_FALSE(ProtectFramePages(FileRecord{}, bad, nullptr)) << U8(bad);
    }
    EXPECT_TRUE(ProtectFramePages(FileRecord{}, u"<frame src=x.htm>", nullptr));
}

TEST(ReadAttributeValue, ReadsQuotedAndBareValues)
{
    const struct
    {
        std::u16string_view text;
        std::size_t first;
        std::size_t end;
        std::u16string_view value;
    } cases[] = {
        {u"\"a b\" c", 0, 7, u"a b"}, {u"  'x.htm'", 0, 9, u"x.htm"},
        {u"\"a'b\"", 0, 5, u"a"},     {u"x.htm name=y", 0, 12, u"x.htm"},
        {u"x\"y z", 0, 5, u"x\"y"},   {u"\tx.htm", 0, 6, u"\tx.htm"},
        {u"\" a \"", 0, 5, u"a"},     {u"", 0, 0, u""},
        {u"abcdef", 3, 2, u""},       {u"=abcdef", 1, 4, u"abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAttributeValue(c.first, c.end, c.text), c.value) << U8(c.text);
    }
}
