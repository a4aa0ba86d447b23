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
