#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/FileSystem.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using files::FileError;
using test::TempFolder;

namespace {

long entriesIn(const test::fs::path& folder)
{
    return std::distance(test::fs::directory_iterator(folder), test::fs::directory_iterator());
}

} // namespace

TEST(RealFileSystem, WritesReplaceTheFileWhole)
{
    TempFolder folder;
    files::RealFileSystem fileSystem;
    const core::PathString page = folder.str() + "/page.htm";
    EXPECT_TRUE(fileSystem.writeFile(page, "first", files::Durability::Renamed).ok());
    test::fs::permissions(page, test::fs::perms::owner_read | test::fs::perms::owner_write |
                                    test::fs::perms::group_read);
    EXPECT_TRUE(fileSystem.writeFile(page, "second", files::Durability::Renamed).ok());
    EXPECT_EQ(folder.read("page.htm"), "second");
    // The file keeps its permissions, and no temporary file is left.
    EXPECT_EQ(test::fs::status(page).permissions(), test::fs::perms::owner_read |
                                                        test::fs::perms::owner_write |
                                                        test::fs::perms::group_read);
    EXPECT_EQ(entriesIn(folder.path()), 1);
}

TEST(RealFileSystem, FailuresAreSortedIntoTheirKinds)
{
    TempFolder folder;
    test::fs::create_directories(folder.path() / "x.htm");
    files::RealFileSystem fileSystem;
    std::string bytes;
    auto read = fileSystem.readFile(folder.str() + "/missing.htm", bytes);
    ASSERT_TRUE(read.failed());
    EXPECT_EQ(read.error().kind, FileError::Kind::Missing);
    read = fileSystem.readFile(folder.str() + "/x.htm", bytes);
    ASSERT_TRUE(read.failed());
    EXPECT_EQ(read.error().kind, FileError::Kind::Other);
    EXPECT_EQ(read.error().text, "Is a directory");
    auto failure =
        fileSystem.writeFile(folder.str() + "/no/such/folder.htm", "x", files::Durability::Renamed);
    ASSERT_TRUE(failure.failed());
    EXPECT_EQ(failure.error().kind, FileError::Kind::Missing);
    failure = fileSystem.createFolder(folder.str());
    ASSERT_TRUE(failure.failed());
    EXPECT_EQ(failure.error().kind, FileError::Kind::Access);
}

// Each failure names the file it is about as the caller named it: the source or the target of
// a copy as the case may be, never a temporary file of the write's own.
TEST(RealFileSystem, FailuresConcernThePathTheyAreAbout)
{
    TempFolder folder;
    folder.write("page.htm", "<p>page</p>");
    folder.write("taken.htm", "<p>taken</p>");
    test::fs::create_directories(folder.path() / "sub");
    files::RealFileSystem fileSystem;
    const auto at = [&](const char* name) { return folder.str() + "/" + name; };
    const auto pathOf = [](const files::Status& status) {
        return status.failed() ? status.error().path : core::PathString("(no failure)");
    };
    const auto pathOfResult = [](const auto& result) {
        return result.failed() ? result.error().path : core::PathString("(no failure)");
    };
    std::string bytes;
    files::CopiedFile copied;
    const auto content = [](std::ostream& out) { return static_cast<bool>(out << "x"); };

    EXPECT_EQ(pathOfResult(fileSystem.readFile(at("missing.htm"), bytes)), at("missing.htm"));
    EXPECT_EQ(pathOfResult(fileSystem.readPart(at("sub"), 0, 10)), at("sub"));
    EXPECT_EQ(pathOfResult(fileSystem.fileSize(at("sub"))), at("sub"));
    EXPECT_EQ(pathOfResult(fileSystem.listFolder(at("page.htm"))), at("page.htm"));
    EXPECT_EQ(pathOf(fileSystem.writeFile(at("no/page.htm"), "x", files::Durability::Renamed)),
              at("no/page.htm"));
    EXPECT_EQ(
        pathOf(fileSystem.writeFileFrom(at("no/page.htm"), content, files::Durability::Synced)),
        at("no/page.htm"));
    EXPECT_EQ(pathOfResult(fileSystem.writeTemporaryFrom(at("no/page.htm"), content)),
              at("no/page.htm"));
    EXPECT_EQ(pathOf(fileSystem.copyFile(at("missing.htm"), at("copy.htm"), copied)),
              at("missing.htm"));
    EXPECT_EQ(pathOf(fileSystem.copyFile(at("page.htm"), at("no/copy.htm"), copied)),
              at("no/copy.htm"));
    EXPECT_EQ(pathOf(fileSystem.createFile(at("taken.htm"), "x")), at("taken.htm"));
    EXPECT_EQ(pathOf(fileSystem.appendToFile(at("sub"), "x")), at("sub"));
    EXPECT_EQ(pathOf(fileSystem.moveToFreeName(at("page.htm"), at("taken.htm"))), at("taken.htm"));
    EXPECT_EQ(pathOf(fileSystem.linkFile(at("page.htm"), at("taken.htm"))), at("taken.htm"));
    EXPECT_EQ(pathOf(fileSystem.moveOver(at("missing.htm"), at("page.htm"))), at("missing.htm"));
    EXPECT_EQ(pathOf(fileSystem.createFolder(at("sub"))), at("sub"));
    EXPECT_EQ(pathOf(fileSystem.removeFile(at("missing.htm"))), at("missing.htm"));
    EXPECT_EQ(pathOf(fileSystem.removeEmptyFolder(at("page.htm"))), at("page.htm"));
    EXPECT_EQ(pathOf(fileSystem.syncFiles({at("page.htm"), at("missing.htm")})), at("missing.htm"));
    // Nothing was written or moved by any of them.
    EXPECT_EQ(entriesIn(folder.path()), 3);
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
        const auto unreadable = fileSystem.readFile("/root/.bashrc", bytes);
        if (failure.ok() || failure.error().kind != FileError::Kind::Access) {
            return 1;
        }
        return unreadable.failed() && unreadable.error().kind != FileError::Kind::Access ? 2 : 0;
    });
    ASSERT_NE(status, -1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(folder.read("page.htm"), "old");
    EXPECT_EQ(entriesIn(folder.path()), 1);
}

// A pipe or a device named like a page is never opened as one (opening a pipe would wait for
// a writer for ever, reading a device would never end), nor replaced.
TEST(RealFileSystem, OnlyRegularFilesAreReadOrReplaced)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder.path() / "pipe.htm").c_str(), 0644), 0);
    test::fs::create_symlink("/dev/zero", folder.path() / "zero.htm");
    files::RealFileSystem fileSystem;
    for (const std::string name : {"pipe.htm", "zero.htm"}) {
        SCOPED_TRACE(name);
        std::string bytes;
        const auto failure = fileSystem.readFile(folder.str() + "/" + name, bytes);
        ASSERT_TRUE(failure.failed());
        EXPECT_EQ(failure.error().kind, FileError::Kind::NotRegularFile);
        const auto replaced =
            fileSystem.writeFile(folder.str() + "/" + name, "x", files::Durability::Synced);
        ASSERT_TRUE(replaced.failed());
        EXPECT_EQ(replaced.error().kind, FileError::Kind::NotRegularFile);
    }
    EXPECT_TRUE(test::fs::is_fifo(folder.path() / "pipe.htm"));
    EXPECT_TRUE(test::fs::is_symlink(folder.path() / "zero.htm"));
}

// Temporary files of writers that no longer live go; those of a live writer, or still held
// open by one, and files that only look alike stay.
TEST(RealFileSystem, StaleTemporariesOfDeadWritersAreRemoved)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    TempFolder folder;
    folder.write(".quorlane-" + dead + "-1.tmp", "stale");
    folder.write(".quorlane-" + std::to_string(::getppid()) + "-2.tmp", "live writer");
    folder.write(".quorlane-" + dead + "-3.tmp", "held");
    folder.write(".quorlane-" + dead + ".tmp", "another name");
    folder.write("page.htm.quorlane-" + dead + "-4.tmp", "another name");
    const int held = ::open((folder.path() / (".quorlane-" + dead + "-3.tmp")).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    files::RealFileSystem fileSystem;
    fileSystem.removeStaleTemporaries(folder.str());
    ::close(held);
    EXPECT_FALSE(folder.exists(".quorlane-" + dead + "-1.tmp"));
    EXPECT_EQ(entriesIn(folder.path()), 4);
}

// A folder resolved once answers as LiesWithin does, which resolves it for every question:
// links are followed both in the folder and in the paths asked about.
TEST(RealFileSystem, CanonicalFolderHoldsWhatLiesWithinIt)
{
    TempFolder folder;
    folder.write("site/a.htm", "a");
    folder.write("site/sub/b.htm", "b");
    folder.write("outside.htm", "o");
    test::fs::create_symlink("../outside.htm", folder.path() / "site/out.htm");
    test::fs::create_symlink("sub/b.htm", folder.path() / "site/in.htm");
    test::fs::create_symlink("site", folder.path() / "link-site");
    const core::PathString site = folder.str() + "/site";
    const std::pair<core::PathString, bool> cases[] = {
        {site + "/a.htm", true},
        {site + "/sub/b.htm", true},
        {site + "/in.htm", true},
        {site + "/not-yet.htm", true},
        {site + "/out.htm", false},
        {site + "/../outside.htm", false},
        {folder.str() + "/outside.htm", false},
        {folder.str() + "/link-site/a.htm", true},
        {site, false},
    };
    for (const core::PathString& top : {site, site + "/", folder.str() + "/link-site"}) {
        const files::CanonicalFolder resolved(top);
        for (const auto& [path, inside] : cases) {
            SCOPED_TRACE(top + " holds " + path);
            EXPECT_EQ(resolved.holds(path), inside);
            EXPECT_EQ(files::LiesWithin(path, top), inside);
        }
    }
    // A folder that is not there holds nothing that is.
    const files::CanonicalFolder missing(folder.str() + "/missing");
    EXPECT_FALSE(missing.holds(site + "/a.htm"));
}
