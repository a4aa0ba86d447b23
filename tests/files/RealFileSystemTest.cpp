#include <gtest/gtest.h>

#include "files/FileSystem.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using files::FileError;
using test::TempFolder;

TEST(RealFileSystem, WritesReplaceTheFileWhole)
{
    TempFolder folder;
    files::RealFileSystem fileSystem;
    const core::PathString page = folder.str() + "/page.htm";
    EXPECT_FALSE(fileSystem.writeFile(page, "first", files::Durability::Renamed));
    test::fs::permissions(page, test::fs::perms::owner_read | test::fs::perms::owner_write |
                                    test::fs::perms::group_read);
    EXPECT_FALSE(fileSystem.writeFile(page, "second", files::Durability::Renamed));
    EXPECT_EQ(folder.read("page.htm"), "second");
    // The file keeps its permissions, and no temporary file is left.
    EXPECT_EQ(test::fs::status(page).permissions(), test::fs::perms::owner_read |
                                                        test::fs::perms::owner_write |
                                                        test::fs::perms::group_read);
    EXPECT_EQ(
        std::distance(test::fs::directory_iterator(folder.path()), test::fs::directory_iterator()),
        1);
}

TEST(RealFileSystem, ReadOnlyFilesAreNotReplacedEvenByRoot)
{
    TempFolder folder;
    const auto page = folder.write("page.htm", "kept");
    test::fs::permissions(page, test::fs::perms::owner_read);
    files::RealFileSystem fileSystem;
    const files::FileResult failure =
        fileSystem.writeFile(page.native(), "new", files::Durability::Renamed);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileError::Kind::Access);
    EXPECT_EQ(folder.read("page.htm"), "kept");
}

TEST(RealFileSystem, FailuresAreSortedIntoTheirKinds)
{
    TempFolder folder;
    test::fs::create_directories(folder.path() / "x.htm");
    files::RealFileSystem fileSystem;
    std::string bytes;
    files::FileStamp stamp;
    auto failure = fileSystem.readFile(folder.str() + "/missing.htm", bytes, stamp);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileError::Kind::Missing);
    failure = fileSystem.readFile(folder.str() + "/x.htm", bytes, stamp);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileError::Kind::Other);
    EXPECT_EQ(failure->text, "Is a directory");
    failure =
        fileSystem.writeFile(folder.str() + "/no/such/folder.htm", "x", files::Durability::Renamed);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileError::Kind::Missing);
    failure = fileSystem.createFolder(folder.str());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileError::Kind::Access);
}

// As a user without write permission on the folder: the write fails as an access failure, and
// neither the old file nor a temporary file is touched.
TEST(RealFileSystem, WritesIntoAReadOnlyFolderFailWithoutTrace)
{
    TempFolder folder;
    folder.write("page.htm", "old");
    test::fs::permissions(folder.path(), test::fs::perms::owner_all | test::fs::perms::group_read |
                                             test::fs::perms::group_exec |
                                             test::fs::perms::others_read |
                                             test::fs::perms::others_exec);
    test::fs::permissions(folder.path() / "page.htm", test::fs::perms::all);
    const int status = test::RunAsNobody([&] {
        files::RealFileSystem fileSystem;
        const auto failure =
            fileSystem.writeFile(folder.str() + "/page.htm", "new", files::Durability::Renamed);
        std::string bytes;
        files::FileStamp stamp;
        const auto unreadable = fileSystem.readFile("/root/.bashrc", bytes, stamp);
        if (!failure || failure->kind != FileError::Kind::Access) {
            return 1;
        }
        return unreadable && unreadable->kind != FileError::Kind::Access ? 2 : 0;
    });
    ASSERT_NE(status, -1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(folder.read("page.htm"), "old");
    EXPECT_EQ(
        std::distance(test::fs::directory_iterator(folder.path()), test::fs::directory_iterator()),
        1);
}

TEST(NameOrder, IgnoresCaseFirst)
{
    EXPECT_TRUE(files::NameOrder(u"a.htm", u"B.htm"));
    EXPECT_TRUE(files::NameOrder(u"B", u"b"));
    EXPECT_FALSE(files::NameOrder(u"b", u"B"));
    EXPECT_TRUE(files::NameOrder(u"sub", u"Sub2"));
}
