#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::marker;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

// How often part stands in text.
long linesWith(const std::string& text, const std::string& part)
{
    long count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

// A link out of the site and a link to the root are passed over: one line each on standard
// error, and in the JSON document with where they lead; nothing outside the site is touched.
TEST(ProtectSiteBounds, LinksOutOfTheSiteArePassedOverAndNamed)
{
    TempFolder work;
    work.write("site/index.htm", "<p>in</p>");
    work.write("elsewhere/page.htm", "<p>out</p>");
    fs::create_directory_symlink("../elsewhere", work.path() / "site" / "shared");
    fs::create_directory_symlink("/", work.path() / "site" / "root");
    CliProcess cli;
    ASSERT_EQ(
        cli.run("protect --json --save overwrite --no-backups " + Quoted(work.path() / "site")), 0)
        << cli.err();
    EXPECT_EQ(work.read("elsewhere/page.htm"), "<p>out</p>");
    EXPECT_TRUE(work.read("site/index.htm").ends_with(marker));
    EXPECT_EQ(linesWith(cli.err(), "\n"), 2) << cli.err();
    EXPECT_EQ(linesWith(cli.err(), "Passed over " + (work.path() / "site" / "shared").string()), 1);
    EXPECT_EQ(linesWith(cli.err(), "Passed over " + (work.path() / "site" / "root").string() +
                                       ": it is a link to /,"),
              1);
    const auto report = nlohmann::json::parse(cli.out());
    ASSERT_EQ(report["passed_over"].size(), 2u);
    EXPECT_EQ(report["passed_over"][0]["path"], (work.path() / "site" / "root").string());
    EXPECT_EQ(report["passed_over"][0]["reason"], "link-leaves-site");
    EXPECT_EQ(report["passed_over"][0]["target"], "/");
    EXPECT_EQ(report["passed_over"][1]["target"],
              fs::canonical(work.path() / "elsewhere").string());
    EXPECT_EQ(report["totals"]["protected"], 1);
}

// site/* names pictures, scripts and style sheets too: they are reported as not pages and left
// untouched, the pages are protected, and the run exits 0; --any-file takes them all.
TEST(ProtectSiteBounds, AGlobOfNonPagesLeavesThemUntouched)
{
    TempFolder site;
    site.write("a.html", "<p>a</p>");
    site.write("logo.png", std::string("\x89PNG\r\n\x1A\n", 8));
    site.write("app.js", "let x = 1 < 2;");
    site.write("style.css", "p { margin: 0 }");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save overwrite --no-backups " +
                      Quoted(site.path().string()) + "/*"),
              0)
        << cli.err();
    for (const char* name : {"logo.png", "app.js", "style.css"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(site.read(name).ends_with(marker));
        EXPECT_EQ(linesWith(cli.err(), "Not a page: " + (site.path() / name).string()), 1);
    }
    EXPECT_TRUE(site.read("a.html").ends_with(marker));
    const auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(report["totals"]["protected"], 1);
    EXPECT_EQ(report["totals"]["skipped"], 3);
    for (const auto& page : report["pages"]) {
        if (page["outcome"] == "skipped") {
            EXPECT_EQ(page["reason"], "not a page");
        }
    }

    ASSERT_EQ(cli.run("protect --any-file --save overwrite --no-backups " +
                      Quoted(site.path() / "app.js")),
              0);
    EXPECT_TRUE(site.read("app.js").ends_with(marker));
}

// A copy into the parent folder from inside the site would replace the parent's own files: it
// is refused, naming how many and which, until --force; the parent's other files are kept.
TEST(ProtectSiteBounds, ACopyOverFilesNoRunWroteNeedsForce)
{
    TempFolder parent;
    parent.write("a.html", "<p>the parent's own page</p>");
    parent.write("style.css", "h1 { color: blue }");
    parent.write("kept.txt", "kept");
    parent.write("site/a.html", "<p>site page</p>");
    parent.write("site/style.css", "h1 { color: red }");
    const std::string site = (parent.path() / "site").string();
    CliProcess cli;
    EXPECT_EQ(cli.run("protect --save copy --target .. .", site), 2);
    EXPECT_EQ(parent.read("a.html"), "<p>the parent's own page</p>");
    EXPECT_EQ(parent.read("style.css"), "h1 { color: blue }");
    EXPECT_THAT(cli.err(), HasSubstr("already holds 2 files that the copy would replace"));
    EXPECT_THAT(cli.err(), HasSubstr("../a.html, ../style.css."));
    EXPECT_THAT(cli.err(), HasSubstr("--force"));

    ASSERT_EQ(cli.run("protect --save copy --force --target .. .", site), 0) << cli.err();
    EXPECT_TRUE(parent.read("a.html").ends_with(marker));
    EXPECT_EQ(parent.read("style.css"), "h1 { color: red }");
    EXPECT_EQ(parent.read("kept.txt"), "kept");
    EXPECT_EQ(cli.run("protect --force .", site), 2);
    EXPECT_THAT(cli.err(), HasSubstr("--force goes with --save copy only"));
}

// --exclude, and the patterns of a project, leave pages and other files out of the run and out
// of a copy; a pattern that names nothing is refused.
TEST(ProtectSiteBounds, ExcludedFilesStayOutOfTheCopy)
{
    TempFolder work;
    work.write("site/index.html", "<p>i</p>");
    work.write("site/_sources/index.txt", "the words of the page");
    work.write("site/_sources/x.html", "<p>source</p>");
    work.write("site/searchindex.js", "Search.setIndex({})");
    work.write("site/style.css", "p {}");
    work.write("project.json", R"({"version": 1, "pages": [{"folder": "site"}],
                                   "exclude": ["_sources/"]})");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --save copy --target " + Quoted(work.path() / "out") +
                      " --project " + Quoted(work.path() / "project.json") +
                      " --exclude searchindex.js --json"),
              0)
        << cli.err();
    EXPECT_TRUE(work.read("out/index.html").ends_with(marker));
    EXPECT_EQ(work.read("out/style.css"), "p {}");
    EXPECT_FALSE(work.exists("out/_sources"));
    EXPECT_FALSE(work.exists("out/searchindex.js"));
    EXPECT_EQ(nlohmann::json::parse(cli.out())["totals"]["protected"], 1);

    EXPECT_EQ(cli.run("protect --exclude / " + Quoted(work.path() / "site")), 2);
    EXPECT_THAT(cli.err(), HasSubstr("names no file"));
}
