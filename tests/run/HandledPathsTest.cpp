#include "run/HandledPaths.h"

#include <gtest/gtest.h>

#include "files/NameCase.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using test::Native;
using test::TempFolder;

// A page is taken on once, whatever name leads to it; names that lead to no file are one page
// where the file system would take them for one name (case aside on Windows).
TEST(HandledPaths, TakeEachPageOnceUnderAnyOfItsNames)
{
    TempFolder folder;
    folder.write("Seite.html", "<p>a</p>");
    folder.write("other.html", "<p>b</p>");
    const std::u8string path = folder.path().u8string();
    const std::string base(path.begin(), path.end());
    const bool ignoresCase = files::NamesIgnoreCase();
    files::RealFileSystem fileSystem;
    run::HandledPaths handled(fileSystem);

    EXPECT_TRUE(handled.insert(Native(base + "/Seite.html")));
    EXPECT_FALSE(handled.insert(Native(base + "/./Seite.html")));
    EXPECT_EQ(handled.insert(Native(base + "/SEITE.html")), !ignoresCase);
    EXPECT_TRUE(handled.insert(Native(base + "/other.html")));

    EXPECT_TRUE(handled.insert(Native(base + "/Fehlt-\xC3\x9C.html")));
    EXPECT_EQ(handled.insert(Native(base + "/fehlt-\xC3\xBC.HTML")), !ignoresCase);
    EXPECT_TRUE(handled.insert(Native(base + "/fehlt-\xC3\xBC.html.bak")));

    handled.forget(Native(base + "/Seite.html"));
    EXPECT_TRUE(handled.insert(Native(base + "/Seite.html")));
}
