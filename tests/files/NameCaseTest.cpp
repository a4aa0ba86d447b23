// File names compared as the file system compares them: ignoring case on Windows, as they are
// elsewhere.
#include "files/NameCase.h"

#include <gtest/gtest.h>

#include "core/FileRecord.h"
#include "core/Utf8.h"
#include "files/ExcludePatterns.h"

using namespace quorlane;

// One unit for one: a letter without a single upper-case unit (sharp s) stays as it is, so
// "STRASSE" is never "straße", on any system.
TEST(NameCase, KeysAreEqualExactlyWhereTheFileSystemTakesOneName)
{
    const bool ignoresCase = files::NamesIgnoreCase();
    EXPECT_EQ(files::NameCaseKey(u"Page.HTML") == files::NameCaseKey(u"page.html"), ignoresCase);
    EXPECT_EQ(files::NameCaseKey(u"\u00DCber.htm") == files::NameCaseKey(u"\u00FCBER.htm"),
              ignoresCase);
    EXPECT_EQ(files::NameCaseKey(u"\u0394\u03AF\u03BA\u03C4\u03C5\u03BF") ==
                  files::NameCaseKey(u"\u0394\u038A\u039A\u03A4\u03A5\u039F"),
              ignoresCase);
    EXPECT_NE(files::NameCaseKey(u"stra\u00DFe"), files::NameCaseKey(u"STRASSE"));
    EXPECT_NE(files::NameCaseKey(u"a.html"), files::NameCaseKey(u"b.html"));
    EXPECT_EQ(files::NameCaseKey(u"stra\u00DFe.html").size(), 11u);
    EXPECT_EQ(files::PathCaseKey(core::PathFromText(u"Site/Sub/Page.html")) ==
                  files::PathCaseKey(core::PathFromText(u"site/SUB/page.HTML")),
              ignoresCase);
}

// Patterns take a name in any case where the file system does: "*.txt" leaves out NOTES.TXT
// on Windows, and only notes.txt elsewhere; classes and folder patterns alike.
TEST(NameCase, ExcludePatternsMatchAsTheFileSystemComparesNames)
{
    const bool ignoresCase = files::NamesIgnoreCase();
    const files::ExcludePatterns exclude(
        {u"*.txt", u"/Drafts/", u"docs/[a-c]*.map", u"\u00FCber.*", u"!Keep.txt"});
    const std::tuple<const char16_t*, bool, bool> cases[] = {
        {u"notes.txt", false, true},      {u"NOTES.TXT", false, ignoresCase},
        {u"Drafts", true, true},          {u"drafts", true, ignoresCase},
        {u"docs/app.map", false, true},   {u"DOCS/App.MAP", false, ignoresCase},
        {u"docs/dApp.map", false, false}, {u"\u00DCBER.html", false, ignoresCase},
        {u"Keep.txt", false, false},      {u"KEEP.TXT", false, false},
    };
    for (const auto& [path, isFolder, excluded] : cases) {
        SCOPED_TRACE(core::Utf16ToUtf8(path));
        EXPECT_EQ(exclude.excludes(path, isFolder), excluded);
    }
}

namespace {

std::optional<std::string> below(const char16_t* path, const char16_t* folder)
{
    const auto rest = files::PathBelowFolder(core::PathFromText(path), core::PathFromText(folder));
    if (!rest) {
        return std::nullopt;
    }
    return core::Utf16ToUtf8(core::TextFromPath(*rest));
}

} // namespace

// "A lies in folder B" compares names as the file system does: on Windows C:\Site\OUT lies in
// c:\site, elsewhere /srv/Site/out does not lie in /srv/site, which is another folder there.
// The rest is spelled as the path spells it; a folder is only followed by a separator.
TEST(NameCase, APathLiesInAFolderAsTheFileSystemComparesNames)
{
    const bool ignoresCase = files::NamesIgnoreCase();
    const auto otherCase = [&](std::optional<std::string> rest) {
        return ignoresCase ? rest : std::nullopt;
    };
#ifdef _WIN32
    EXPECT_EQ(below(u"C:\\Site\\OUT\\a.html", u"c:\\site"), "OUT\\a.html");
    EXPECT_EQ(below(u"c:\\site\\out", u"C:\\SITE\\"), "out");
    EXPECT_EQ(below(u"C:/Site/Out", u"c:\\site"), "Out");
    EXPECT_EQ(below(u"C:\\\u00DCBER\\a.html", u"c:\\\u00FCber"), "a.html");
    EXPECT_EQ(below(u"C:\\a.html", u"c:\\"), "a.html");
    EXPECT_EQ(below(u"C:\\sites\\a.html", u"c:\\site"), std::nullopt);
    EXPECT_TRUE(files::PathLiesIn(L"C:\\Site\\OUT", L"c:\\site"));
    EXPECT_FALSE(files::PathLiesIn(L"C:\\SITE", L"c:\\site"));
    EXPECT_TRUE(files::PathLiesIn(L"C:\\SITE", L"c:\\site", true));
#endif
    EXPECT_EQ(below(u"/srv/site/out/a.html", u"/srv/site"), "out/a.html");
    EXPECT_EQ(below(u"/srv/Site/OUT/a.html", u"/srv/site"), otherCase("OUT/a.html"));
    EXPECT_EQ(below(u"/srv/site/", u"/srv/SITE"), otherCase(""));
    EXPECT_EQ(below(u"/srv/\u00DCber/a.html", u"/srv/\u00FCber"), otherCase("a.html"));
    EXPECT_EQ(below(u"/srv/site", u"/srv/site/"), "");
    EXPECT_EQ(below(u"/srv/sites/a.html", u"/srv/site"), std::nullopt);
    EXPECT_EQ(below(u"/srv", u"/srv/site"), std::nullopt);
    EXPECT_EQ(below(u"/srv/site", u""), std::nullopt);
    EXPECT_EQ(below(u"/a.html", u"/"), "a.html");
    EXPECT_EQ(below(u"/", u"/"), "");
    EXPECT_TRUE(
        files::PathLiesIn(core::PathFromText(u"/srv/site/a"), core::PathFromText(u"/srv/site")));
    EXPECT_FALSE(
        files::PathLiesIn(core::PathFromText(u"/srv/site"), core::PathFromText(u"/srv/site")));
    EXPECT_TRUE(files::PathLiesIn(core::PathFromText(u"/srv/site"),
                                  core::PathFromText(u"/srv/site"), true));
    EXPECT_EQ(
        files::PathLiesIn(core::PathFromText(u"/srv/SITE/a"), core::PathFromText(u"/srv/site")),
        ignoresCase);
}
