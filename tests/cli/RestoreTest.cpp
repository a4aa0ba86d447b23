// Protect, then restore, as a user does it: the tree comes back byte for byte.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

// The sample site, with a page whose name is not UTF-8.
void writeSite(const fs::path& site)
{
    fs::copy(QUORLANE_EXAMPLES "/site", site, fs::copy_options::recursive);
    std::ofstream(site / "pages" / "caf\xE9.html", std::ios::binary) << "<p>caf\xE9</p>";
}

std::string manifestOf(const CliProcess& cli)
{
    const auto report = nlohmann::json::parse(cli.out());
    return report.contains("manifest_bytes") ? "" : report["manifest"].get<std::string>();
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
        const std::string manifest = manifestOf(cli);
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
        const std::string manifest = manifestOf(cli);
        const std::string edited =
            std::string(save) == "overwrite" ? "pages/menu.html" : "pages/protected_menu.html";
        work.write(edited, "<p>edited after the run</p>");

        EXPECT_EQ(cli.run("restore " + Quoted(manifest)), 1);
        EXPECT_EQ(work.read(edited), "<p>edited after the run</p>");
        EXPECT_THAT(cli.err(), HasSubstr("left as it is: " + (work.path() / edited).string() +
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
    const std::string manifest = manifestOf(cli);
    const std::string protectedPage = work.read("a.htm");
    EXPECT_EQ(cli.run("restore " + Quoted(manifest)), 1);
    EXPECT_THAT(cli.err(), HasSubstr("cannot put back " + (work.path() / "a.htm").string() +
                                     ": the run overwrote it without a backup"));
    EXPECT_EQ(work.read("a.htm"), protectedPage);
    EXPECT_EQ(cli.run("restore " + Quoted(work.path() / "a.htm")), 2);
}
