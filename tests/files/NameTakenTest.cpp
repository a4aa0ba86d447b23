// A new name is taken only where nothing stands: the record of a run, a backup and a page put
// back by restore each go to a free name, and another is tried or the user's file is kept when
// the name is taken. Every platform says "taken" in its own number; the kind is the same.
#include <gtest/gtest.h>

#include "files/FileSystem.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using files::FileError;
using test::TempFolder;

TEST(NameTaken, IsOneKindOnEveryPlatform)
{
    TempFolder folder;
    folder.write("page.html", "<p>page</p>");
    folder.write("saved.html", "<p>saved meanwhile</p>");
    folder.write("new.html", "<p>new</p>");
    test::fs::create_directories(folder.path() / "folder.html");
    const auto at = [&](const char* name) { return (folder.path() / name).native(); };
    files::RealFileSystem fileSystem;

    for (const char* taken : {"saved.html", "folder.html"}) {
        const files::Status created = fileSystem.createFile(at(taken), "x");
        ASSERT_TRUE(created.failed()) << taken;
        EXPECT_EQ(created.error().kind, FileError::Kind::NameTaken) << taken;
        const files::Status moved = fileSystem.moveToFreeName(at("new.html"), at(taken));
        ASSERT_TRUE(moved.failed()) << taken;
        EXPECT_EQ(moved.error().kind, FileError::Kind::NameTaken) << taken;
        const files::Status linked = fileSystem.linkFile(at("page.html"), at(taken));
        ASSERT_TRUE(linked.failed()) << taken;
        EXPECT_EQ(linked.error().kind, FileError::Kind::NameTaken) << taken;
    }
    // Nothing was replaced, and a free name is taken.
    EXPECT_EQ(folder.read("saved.html"), "<p>saved meanwhile</p>");
    EXPECT_TRUE(fileSystem.moveToFreeName(at("new.html"), at("free.html")).ok());
    EXPECT_EQ(folder.read("free.html"), "<p>new</p>");
}
