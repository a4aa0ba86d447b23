#include <gtest/gtest.h>

#include "files/clsFiles.h"
#include "files/modAll.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using files::clsFiles;
using test::FaultyFileSystem;
using test::TempFolder;

namespace {

std::vector<core::FileRecord> scan(files::FileSystem& fileSystem, const core::PathString& folder)
{
    clsFiles files;
    core::PathString root;
    files::ScanFolder(fileSystem, folder, root, files);
    EXPECT_EQ(root, folder);
    return {files.begin(), files.end()};
}

std::vector<core::PathString> filenames(const std::vector<core::FileRecord>& records)
{
    std::vector<core::PathString> names;
    for (const core::FileRecord& record : records) {
        names.push_back(record.Filename);
    }
    return names;
}

} // namespace

TEST(clsFiles, KeepsOrderAndIgnoresEmptyNames)
{
    clsFiles files;
    EXPECT_EQ(files.Count(), 0);
    files.add("", "/a.htm");
    files.add("/site", "");
    files.add("/site", "/b.htm");
    files.add("", "/a.htm");
    ASSERT_EQ(files.Count(), 3);
    EXPECT_EQ(files.begin()->Filename, "/a.htm");
    EXPECT_EQ((files.begin() + 1)->fullPath(), "/site/b.htm");
}

// Pages by their extension only, in any case; depth first, each folder's pages before its
// folders, both in name order (case ignored first, capitals first among names alike); names
// with blanks and letters beyond ASCII as they are; links to folders followed, but no folder
// entered twice.
TEST(FolderScan, TakesPagesByExtensionDepthFirstInNameOrder)
{
    TempFolder site;
    for (const char* name :
         {"b.htm", "B.htm", "A.Html", "sub/z.html", "sub/deeper/d.HTM", "Sub2/c.htm", "aaa/x.htm",
          "sub/m.htm", "news.shtml", "style.css", "page.htm.bak", "htm", ".hidden.htm",
          "protected_b.htm", "m\xC3\xBCller seite.htm",
          "\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9t\xC3\xA9.html"}) {
        site.write(name, "x");
    }
    test::fs::create_directories(site.path() / "empty");
    TempFolder elsewhere;
    elsewhere.write("linked.htm", "x");
    test::fs::create_directory_symlink(elsewhere.path(), site.path() / "sub" / "link");
    test::fs::create_directory_symlink(site.path(), site.path() / "sub" / "loop");
    files::RealFileSystem fileSystem;
    const std::vector<core::PathString> names = filenames(scan(fileSystem, site.str()));
    EXPECT_EQ(names, (std::vector<core::PathString>{
                         "/.hidden.htm", "/A.Html", "/B.htm", "/b.htm", "/m\xC3\xBCller seite.htm",
                         "/protected_b.htm", "/aaa/x.htm", "/sub/m.htm", "/sub/z.html",
                         "/sub/deeper/d.HTM", "/sub/link/linked.htm", "/Sub2/c.htm",
                         "/\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9t\xC3\xA9.html"}));
    // A folder added with a trailing separator splits its pages' paths without one.
    const auto records = scan(fileSystem, site.str() + "/");
    ASSERT_EQ(records.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ("/" + records[i].Filename, names[i]);
        EXPECT_EQ(records[i].fullPath(), site.str() + names[i]);
    }
}

// An unreadable folder is passed over and told, naming it; one that is not there is not; the
// folder to skip is never entered.
TEST(FolderScan, UnreadableFoldersAreToldAndTheSkippedFolderIsNotEntered)
{
    TempFolder site;
    site.write("a/1.htm", "x");
    site.write("b/2.htm", "x");
    site.write("b/inner/3.htm", "x");
    site.write("c/4.htm", "x");
    site.write("out/5.htm", "x");
    FaultyFileSystem fileSystem;
    fileSystem.setFault([&](FaultyFileSystem::Operation operation, const core::PathString& path) {
        return operation == FaultyFileSystem::Operation::List && path == site.str() + "/b"
                   ? files::FileResult(test::Failure(files::FileError::Kind::Access))
                   : std::nullopt;
    });
    std::vector<files::ScanFailure> failures;
    files::ScanOptions options;
    options.failures = &failures;
    options.skipFolder = fileSystem.identity(site.str() + "/out");
    clsFiles files;
    core::PathString root;
    files::ScanFolder(fileSystem, site.str(), root, files, options);
    EXPECT_EQ(filenames({files.begin(), files.end()}),
              (std::vector<core::PathString>{"/a/1.htm", "/c/4.htm"}));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].folder, site.str() + "/b");
    EXPECT_EQ(failures[0].error.kind, files::FileError::Kind::Access);

    failures.clear();
    root.clear();
    files::ScanFolder(fileSystem, site.str() + "/missing", root, files, options);
    EXPECT_TRUE(failures.empty());
}

TEST(MakeFolders, CreatesEachMissingFolderButNotTheFile)
{
    TempFolder target;
    files::RealFileSystem fileSystem;
    files::MakeFolders(fileSystem, target.str() + "/out/sub/a.htm");
    EXPECT_TRUE(test::fs::is_directory(target.path() / "out" / "sub"));
    EXPECT_FALSE(test::fs::exists(target.path() / "out" / "sub" / "a.htm"));
    // A failure other than "exists" or "access" stops the walk.
    FaultyFileSystem faulty;
    faulty.setFault([&](FaultyFileSystem::Operation operation, const core::PathString& path) {
        return operation == FaultyFileSystem::Operation::CreateFolder &&
                       path == target.str() + "/x/"
                   ? files::FileResult(test::Failure(files::FileError::Kind::Other))
                   : std::nullopt;
    });
    files::MakeFolders(faulty, target.str() + "/x/y/a.htm");
    EXPECT_FALSE(test::fs::exists(target.path() / "x"));
}
