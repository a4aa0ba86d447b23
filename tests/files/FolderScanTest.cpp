#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "core/Utf8.h"
#include "files/PageLooks.h"
#include "files/SiteBounds.h"
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
    test::fs::create_directory_symlink(site.path() / "aaa", site.path() / "sub" / "link");
    test::fs::create_directory_symlink(site.path(), site.path() / "sub" / "loop");
    files::RealFileSystem fileSystem;
    const std::vector<core::PathString> names = filenames(scan(fileSystem, site.str()));
    EXPECT_EQ(names, (std::vector<core::PathString>{
                         "/.hidden.htm", "/A.Html", "/B.htm", "/b.htm", "/m\xC3\xBCller seite.htm",
                         "/protected_b.htm", "/aaa/x.htm", "/sub/m.htm", "/sub/z.html",
                         "/sub/deeper/d.HTM", "/Sub2/c.htm",
                         "/\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9t\xC3\xA9.html"}));
    // A folder added with a trailing separator splits its pages' paths without one.
    const auto records = scan(fileSystem, site.str() + test::Native("/"));
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
        return operation == FaultyFileSystem::Operation::List &&
                       path == site.str() + test::Native("/b")
                   ? std::optional<files::FileError>(test::Failure(files::FileError::Kind::Access))
                   : std::nullopt;
    });
    std::vector<files::FileError> failures;
    files::ScanOptions options;
    options.failures = &failures;
    options.skipFolder = fileSystem.identity(site.str() + test::Native("/out"));
    clsFiles files;
    core::PathString root;
    files::ScanFolder(fileSystem, site.str(), root, files, options);
    EXPECT_EQ(filenames({files.begin(), files.end()}),
              (std::vector<core::PathString>{"/a/1.htm", "/c/4.htm"}));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, site.str() + test::Native("/b"));
    EXPECT_EQ(failures[0].kind, files::FileError::Kind::Access);

    failures.clear();
    root.clear();
    files::ScanFolder(fileSystem, site.str() + test::Native("/missing"), root, files, options);
    EXPECT_TRUE(failures.empty());
}

TEST(MakeFolders, CreatesEachMissingFolderButNotTheFile)
{
    TempFolder target;
    files::RealFileSystem fileSystem;
    files::MakeFolders(fileSystem, target.str() + test::Native("/out/sub/a.htm"));
    EXPECT_TRUE(test::fs::is_directory(target.path() / "out" / "sub"));
    EXPECT_FALSE(test::fs::exists(target.path() / "out" / "sub" / "a.htm"));
    // A failure other than "exists" or "access" stops the walk.
    FaultyFileSystem faulty;
    faulty.setFault([&](FaultyFileSystem::Operation operation, const core::PathString& path) {
        return operation == FaultyFileSystem::Operation::CreateFolder &&
                       path == target.str() + test::Native("/x/")
                   ? std::optional<files::FileError>(test::Failure(files::FileError::Kind::Other))
                   : std::nullopt;
    });
    files::MakeFolders(faulty, target.str() + test::Native("/x/y/a.htm"));
    EXPECT_FALSE(test::fs::exists(target.path() / "x"));
}

// The scan stays in the site: a link to a folder inside it is followed (once), one that leads
// out of it, to the root or to a folder beside the site, is passed over and named with where it
// leads, and nothing below such a link is listed.
TEST(FolderScan, FollowsLinksOnlyToFoldersInsideTheSite)
{
    TempFolder work;
    work.write("site/index.htm", "x");
    work.write("site/real/in.htm", "x");
    work.write("elsewhere/out.htm", "x");
    const test::fs::path site = work.path() / "site";
    test::fs::create_directory_symlink(site / "real", site / "inner");
    test::fs::create_directory_symlink("../elsewhere", site / "shared");
    test::fs::create_directory_symlink("/", site / "root");
    test::fs::create_directory_symlink("../site/../elsewhere", site / "detour");
    files::RealFileSystem fileSystem;
    std::vector<files::PassedOver> passedOver;
    files::ScanOptions options;
    options.passedOver = &passedOver;
    clsFiles files;
    core::PathString root;
    files::ScanFolder(fileSystem, site.native(), root, files, options);
    EXPECT_EQ(filenames({files.begin(), files.end()}),
              (std::vector<core::PathString>{"/index.htm", "/inner/in.htm"}));
    const core::PathString elsewhere = test::fs::canonical(work.path() / "elsewhere").native();
    using Kind = files::PassedOver::Kind;
    EXPECT_EQ(passedOver, (std::vector<files::PassedOver>{
                              {Kind::LeavesSite, site.native() + "/detour", elsewhere},
                              {Kind::LeavesSite, site.native() + "/root", "/"},
                              {Kind::LeavesSite, site.native() + "/shared", elsewhere},
                          }));
}

// The kernel's own folders are never entered, whether added themselves or met below an added
// folder; the bounds tell so without walking anything.
TEST(SiteBounds, NeverEntersTheSystemsOwnFolders)
{
    files::RealFileSystem fileSystem;
    files::SiteBounds wholeDisk(fileSystem, "/");
    for (const char* folder : {"/proc", "/sys", "/dev", "/proc/self"}) {
        SCOPED_TRACE(folder);
        const auto passed = wholeDisk.check(folder);
        ASSERT_TRUE(passed.has_value());
        EXPECT_EQ(passed->kind, files::PassedOver::Kind::SystemFolder);
    }
    EXPECT_EQ(wholeDisk.check("/usr"), std::nullopt);
    std::vector<files::PassedOver> passedOver;
    files::ScanOptions options;
    options.passedOver = &passedOver;
    for (const char* top : {"/proc", "/sys/kernel", "/dev/"}) {
        SCOPED_TRACE(top);
        passedOver.clear();
        clsFiles files;
        core::PathString root;
        files::ScanFolder(fileSystem, top, root, files, options);
        EXPECT_EQ(files.Count(), 0);
        ASSERT_EQ(passedOver.size(), 1u);
        EXPECT_EQ(passedOver[0].kind, files::PassedOver::Kind::SystemFolder);
        EXPECT_EQ(passedOver[0].folder, top);
    }
}

// /dev/shm lies below /dev but holds people's own files: a site kept there is protected.
TEST(SiteBounds, EntersASiteInSharedMemory)
{
    files::RealFileSystem fileSystem;
    char pattern[] = "/dev/shm/quorlane-site-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        GTEST_SKIP() << "no /dev/shm to write in";
    }
    const core::PathString site = pattern;
    std::ofstream(site + "/index.html") << "<html><body>x</body></html>";
    files::SiteBounds bounds(fileSystem, "/");
    EXPECT_EQ(bounds.check(site), std::nullopt);
    std::vector<files::PassedOver> passedOver;
    files::ScanOptions options;
    options.passedOver = &passedOver;
    clsFiles files;
    core::PathString root;
    files::ScanFolder(fileSystem, site, root, files, options);
    EXPECT_EQ(files.Count(), 1);
    EXPECT_TRUE(passedOver.empty());
    std::filesystem::remove_all(site);
}

TEST(LooksLikePage, TakesMarkupAfterMarksAndWhiteSpaceOnly)
{
    const std::pair<std::string, bool> cases[] = {
        {"<!DOCTYPE html><html>", true},
        {"<html>", true},
        {"\xEF\xBB\xBF \r\n\t<p>x", true},
        {"<?xml version=\"1.0\"?>", true},
        {std::string("\xFF\xFE \0<\0h\0", 8), true},
        {std::string("\xFE\xFF\0<\0!", 6), true},
        {std::string("\xFF\xFE<\0", 4), false}, // nothing after "<"
        {"\x89PNG\r\n\x1A\n", false},
        {"GIF89a", false},
        {"PK\x03\x04", false},
        {"\x1F\x8B\x08", false},
        {"function f() { return a < b; }", false},
        {"body { color: red; }", false},
        {"/* <html> */", false},
        {"< html>", false},
        {"<1>", false},
        {"<", false},
        {"", false},
        {"\xEF\xBB\xBF", false},
    };
    for (const auto& [start, page] : cases) {
        SCOPED_TRACE(start);
        EXPECT_EQ(files::LooksLikePage(start), page);
    }
}

// Patterns as a .gitignore file writes them, each case a path below the added folder, whether
// it is a folder, and whether it is left out.
TEST(ExcludePatterns, MatchAsAGitignoreFileDoes)
{
    const files::ExcludePatterns exclude({u"*.txt", u"/searchindex.js", u"_sources/", u"docs/*.map",
                                          u"**/build", u"drafts/**", u"[ab]?.png", u"!keep.txt",
                                          u"\\!bang"});
    const std::tuple<const char16_t*, bool, bool> cases[] = {
        {u"notes.txt", false, true},
        {u"deep/down/notes.txt", false, true},
        {u"keep.txt", false, false},
        {u"sub/keep.txt", false, false},
        {u"notes.txt.html", false, false},
        {u"searchindex.js", false, true},
        {u"sub/searchindex.js", false, false},
        {u"_sources", true, true},
        {u"sub/_sources", true, true},
        {u"_sources", false, false},
        {u"docs/app.js.map", false, true},
        {u"docs/sub/app.js.map", false, false},
        {u"other/docs/app.js.map", false, false},
        {u"build", true, true},
        {u"a/b/build", true, true},
        {u"drafts/x/y.html", false, true},
        {u"a1.png", false, true},
        {u"c1.png", false, false},
        {u"ab1.png", false, false},
        {u"!bang", false, true},
        {u"index.html", false, false},
    };
    for (const auto& [path, isFolder, excluded] : cases) {
        SCOPED_TRACE(core::Utf16ToUtf8(path));
        EXPECT_EQ(exclude.excludes(path, isFolder), excluded);
    }
    EXPECT_TRUE(files::ExcludePatterns::problem(u"/").has_value());
    EXPECT_TRUE(files::ExcludePatterns::problem(u"!").has_value());
    EXPECT_FALSE(files::ExcludePatterns::problem(u"a/").has_value());
}

// A folder left out is not entered, and pages and other files alike are left out.
TEST(FolderScan, LeavesOutWhatThePatternsExclude)
{
    TempFolder site;
    for (const char* name : {"index.html", "_sources/index.txt", "_sources/page.html",
                             "searchindex.js", "sub/a.html", "sub/skip.html", "style.css"}) {
        site.write(name, "x");
    }
    const files::ExcludePatterns exclude({u"_sources/", u"/searchindex.js", u"sub/skip.*"});
    files::RealFileSystem fileSystem;
    files::ScanOptions options;
    options.exclude = &exclude;
    clsFiles others;
    options.otherFiles = &others;
    clsFiles pages;
    core::PathString root;
    files::ScanFolder(fileSystem, site.str(), root, pages, options);
    EXPECT_EQ(filenames({pages.begin(), pages.end()}),
              (std::vector<core::PathString>{"/index.html", "/sub/a.html"}));
    EXPECT_EQ(filenames({others.begin(), others.end()}),
              (std::vector<core::PathString>{"/style.css"}));
}
