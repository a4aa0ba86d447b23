// Protect, then restore, as a user does it: the tree comes back byte for byte.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

// The sample site, with a page whose name is outside ASCII (and, where names are bytes, not
// UTF-8).
void writeSite(const fs::path& site)
{
    fs::copy(QUORLANE_EXAMPLES "/site", site, fs::copy_options::recursive);
#ifdef _WIN32
    const fs::path name = fs::u8path("caf\xC3\xA9.html");
#else
    const fs::path name = "caf\xE9.html";
#endif
    std::ofstream(site / "pages" / name, std::ios::binary) << "<p>caf\xE9</p>";
}

// A path as the program names it: the system's separators, UTF-8.
std::string shown(const fs::path& path)
{
    const std::u8string text = fs::path(path).make_preferred().u8string();
    return {text.begin(), text.end()};
}

// The record that a run started in folder names, as the user would type it there.
std::string manifestOf(const CliProcess& cli, const fs::path& folder)
{
    const auto report = nlohmann::json::parse(cli.out());
    if (report.contains("manifest_bytes")) {
        return "";
    }
    const fs::path named = report["manifest"].get<std::string>();
    return named.is_absolute() ? named.string() : (folder / named).string();
}

} // namespace

TEST(Restore, EverySaveModeComesBackByteForByte)
{
    const std::tuple<const char*, std::string> modes[] = {
        {"overwrite", "--save overwrite"},
        {"new", "--save new --enable no-printing,no-text-select --mode links"},
        {"copy", "--save copy --target out/deep"},
    };
    for (const auto& [name, options] : modes) {
        SCOPED_TRACE(name);
        TempFolder work;
        writeSite(work.path() / "site");
        const auto before = quorlane::test::TreeOf(work.path());
        CliProcess cli;
        ASSERT_EQ(cli.run("protect --json " + options + " site", work.path().string()), 0)
            << cli.err();
        const std::string manifest = manifestOf(cli, work.path());
        ASSERT_TRUE(fs::exists(manifest)) << cli.out();
        ASSERT_NE(quorlane::test::TreeOf(work.path()), before);

        ASSERT_EQ(cli.run("restore --dry-run " + Quoted(manifest)), 0) << cli.err();
        EXPECT_THAT(cli.out(), HasSubstr("The run would be undone"));
        EXPECT_TRUE(fs::exists(manifest));
        ASSERT_EQ(cli.run("restore " + Quoted(manifest)), 0) << cli.err();
        EXPECT_TRUE(cli.err().empty());
        EXPECT_EQ(quorlane::test::TreeOf(work.path()), before);
    }
}

// A page changed after the run is never lost: it is left as it is and named, the rest is undone,
// and the manifest stays for another go.
TEST(Restore, APageEditedAfterTheRunSurvives)
{
    for (const char* save : {"overwrite", "new"}) {
        SCOPED_TRACE(save);
        TempFolder work;
        writeSite(work.path());
        CliProcess cli;
        ASSERT_EQ(cli.run(std::string("protect --json --save ") + save + " .", work.str()), 0);
        const std::string manifest = manifestOf(cli, work.path());
        const std::string edited =
            std::string(save) == "overwrite" ? "pages/menu.html" : "pages/protected_menu.html";
        work.write(edited, "<p>edited after the run</p>");

        EXPECT_EQ(cli.run("restore " + Quoted(manifest)), 1);
        EXPECT_EQ(work.read(edited), "<p>edited after the run</p>");
        EXPECT_THAT(cli.err(), HasSubstr("left as it is: " + shown(work.path() / edited) +
                                         " was changed after the run"));
        EXPECT_EQ(work.read("index.html"),
                  quorlane::test::ReadBytes(QUORLANE_EXAMPLES "/site/index.html"));
        EXPECT_TRUE(fs::exists(manifest));
        if (std::string(save) == "overwrite") {
            EXPECT_TRUE(work.exists("pages/menu.html.bak"));
        }
    }
}

TEST(Restore, PagesOverwrittenWithoutBackupsCannotBePutBackAndItSaysSo)
{
    TempFolder work;
    work.write("a.htm", "<p>a</p>");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save overwrite --no-backups .", work.str()), 0);
    const std::string manifest = manifestOf(cli, work.path());
    const std::string protectedPage = work.read("a.htm");
    EXPECT_EQ(cli.run("restore " + Quoted(manifest)), 1);
    EXPECT_THAT(cli.err(), HasSubstr("cannot put back " + shown(work.path() / "a.htm") +
                                     ": the run overwrote it without a backup"));
    EXPECT_EQ(work.read("a.htm"), protectedPage);
    EXPECT_EQ(cli.run("restore " + Quoted(work.path() / "a.htm")), 2);
}

// A record found in a copy of the tree acts on that copy: the copy comes back as it was before
// the run, and the tree it was copied from is left as it is.
TEST(Restore, ARecordInACopiedTreeUndoesThatTree)
{
    TempFolder work;
    writeSite(work.path() / "site");
    const auto before = quorlane::test::TreeOf(work.path() / "site");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save overwrite site", work.str()), 0) << cli.err();
    const fs::path record = manifestOf(cli, work.path());
    fs::copy(work.path() / "site", work.path() / "copy",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const auto original = quorlane::test::TreeOf(work.path() / "site");

    ASSERT_EQ(cli.run("restore " + Quoted(work.path() / "copy" / record.filename())), 0)
        << cli.err();
    EXPECT_EQ(quorlane::test::TreeOf(work.path() / "copy"), before);
    EXPECT_EQ(quorlane::test::TreeOf(work.path() / "site"), original);
}

// A file the run made that is no longer where the record says is named, and the run is not
// called undone; the record stays.
TEST(Restore, AFileThatIsNotThereIsNamedNotPassedOver)
{
    TempFolder work;
    work.write("a.htm", "<p>a</p>");
    work.write("b.htm", "<p>b</p>");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save new .", work.str()), 0) << cli.err();
    const std::string manifest = manifestOf(cli, work.path());
    fs::rename(work.path() / "protected_a.htm", work.path() / "moved.htm");

    EXPECT_EQ(cli.run("restore " + Quoted(manifest)), 1);
    EXPECT_THAT(cli.err(), HasSubstr("cannot undo " + shown(work.path() / "protected_a.htm") +
                                     ": it is not there"));
    EXPECT_THAT(cli.out(), Not(HasSubstr("The run is undone")));
    EXPECT_FALSE(work.exists("protected_b.htm"));
    EXPECT_TRUE(fs::exists(manifest));
}

// A NAME.bak of the user's own is never replaced: its page fails, naming it, and stays as it
// was; the other pages are protected, and the undo leaves the user's file alone.
TEST(Restore, AUsersOwnBackupIsNeverReplaced)
{
    TempFolder work;
    work.write("a.htm", "<p>a</p>");
    work.write("a.htm.bak", "the user's own");
    work.write("b.htm", "<p>b</p>");
    const auto before = quorlane::test::TreeOf(work.path());
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save overwrite .", work.str()), 1);
    EXPECT_THAT(
        cli.err(),
        HasSubstr("a.htm.bak: error: Unable to Make Backup: " + shown(fs::path(".") / "a.htm.bak") +
                  ". A file of that name stands already, and this run did not make it"));
    EXPECT_THAT(cli.err(), HasSubstr(" [backup-not-ours]\n"));
    EXPECT_EQ(work.read("a.htm"), "<p>a</p>");
    EXPECT_EQ(work.read("a.htm.bak"), "the user's own");
    EXPECT_NE(work.read("b.htm"), "<p>b</p>");
    ASSERT_EQ(cli.run("restore " + Quoted(manifestOf(cli, work.path()))), 0) << cli.err();
    EXPECT_EQ(quorlane::test::TreeOf(work.path()), before);
}

#ifndef _WIN32

// Written pages and backups keep the page's permission bits (a backup never more readable than
// its page, whatever the umask) and, as root, its owner and group; the undo gives them back.
TEST(Restore, ModesAndOwnersAreKept)
{
    TempFolder work;
    const bool root = ::geteuid() == 0;
    const std::pair<const char*, ::mode_t> pages[] = {{"private.htm", 0600}, {"group.htm", 0640}};
    for (const auto& [name, mode] : pages) {
        const fs::path page = work.write(name, "<p>secret</p>");
        ASSERT_EQ(::chmod(page.c_str(), mode), 0);
        if (root) {
            ASSERT_EQ(::chown(page.c_str(), 65534, 65534), 0);
        }
    }
    const auto ownerOf = [&](const std::string& name) {
        struct stat info
        {
        };
        EXPECT_EQ(::stat((work.path() / name).c_str(), &info), 0) << name;
        return std::make_tuple(info.st_mode & 07777, info.st_uid, info.st_gid);
    };
    const auto before = quorlane::test::TreeOf(work.path());
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save overwrite .", work.str()), 0) << cli.err();
    for (const auto& [name, mode] : pages) {
        SCOPED_TRACE(name);
        const auto expected =
            std::make_tuple(mode, root ? 65534u : ::geteuid(), root ? 65534u : ::getegid());
        EXPECT_EQ(ownerOf(name), expected);
        EXPECT_EQ(ownerOf(std::string(name) + ".bak"), expected);
    }
    ASSERT_EQ(cli.run("restore " + Quoted(manifestOf(cli, work.path()))), 0) << cli.err();
    EXPECT_EQ(quorlane::test::TreeOf(work.path()), before);
    for (const auto& [name, mode] : pages) {
        EXPECT_EQ(ownerOf(name),
                  std::make_tuple(mode, root ? 65534u : ::geteuid(), root ? 65534u : ::getegid()));
    }
}

#endif
