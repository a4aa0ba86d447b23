#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::marker;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

// The last line of a listing but the manifest's.
std::string statusLine(const std::string& out)
{
    std::string text = out;
    if (const std::size_t at = text.rfind("Manifest ("); at != std::string::npos) {
        text.resize(at);
    }
    text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

} // namespace

// The listing names the folder and its pages, or a page given by its bare name from inside its
// folder, which is protected beside itself.
TEST(ProtectCommand, ListsWhatItProtectedAndExitsZero)
{
    TempFolder site;
    site.write("index.htm", "<p>1</p>");
    site.write("sub/a.html", "<p>2</p>");
    const std::string manifest = "Manifest (quorlane-cli restore undoes the run): ";
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --save overwrite --no-backups " + Quoted(site.path())), 0)
        << cli.err();
    // Each page by its whole path, never from its folder as "/index.htm".
    const std::string root = site.path().string();
    EXPECT_EQ(cli.out(), root + "\n    " + root + "/index.htm\n    " + root +
                             "/sub/a.html\nThe following 2 files have been protected\n" + manifest +
                             quorlane::test::ManifestIn(site.path()) + "\n");
    EXPECT_TRUE(site.read("index.htm").ends_with(marker));
    EXPECT_FALSE(site.exists("index.htm.bak"));
    EXPECT_TRUE(cli.err().empty());

    site.write("sub/new.html", "<p>3</p>");
    ASSERT_EQ(cli.run("protect new.html", (site.path() / "sub").string()), 0) << cli.err();
    // Below the current folder, as the user would type them there.
    const fs::path record = quorlane::test::ManifestIn(site.path() / "sub");
    EXPECT_EQ(cli.out(), "protected_new.html\nThe following 1 file has been protected\n" +
                             manifest + record.filename().string() + "\n");
    EXPECT_TRUE(site.read("sub/protected_new.html").ends_with(marker));
}

TEST(ProtectCommand, JsonReportsEveryPageAndTheExitStatusHowTheRunEnded)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>" + marker);
    site.write("c.htm", "<p>c</p>");
    site.write("protected_c.htm", "<p>old</p>");
    fs::permissions(site.path() / "protected_c.htm", fs::perms::owner_read);
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --mode links " + Quoted(site.path() / "a.htm") + " " +
                      Quoted(site.path())),
              1);
    const auto report = nlohmann::json::parse(cli.out());
    const std::string root = site.path().string();
    EXPECT_EQ(report["status"], "The following 2 files have been protected");
    // a.htm twice, b.htm, c.htm (whose output is read-only), and the read-only file itself, which
    // is a page like any other.
    EXPECT_EQ(report["totals"],
              (nlohmann::json{{"protected", 2}, {"skipped", 2}, {"failed", 1}, {"copied", 0}}));
    const auto& pages = report["pages"];
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages[0]["page"], root + "/a.htm");
    EXPECT_EQ(pages[0]["outcome"], "protected");
    EXPECT_EQ(pages[0]["output"], root + "/protected_a.htm");
    EXPECT_EQ(pages[1]["reason"], "already handled");
    EXPECT_EQ(pages[2]["reason"], "already protected");
    EXPECT_EQ(pages[3]["outcome"], "failed");
    EXPECT_EQ(pages[3]["message"],
              "Unable to Access File: " + root + "/protected_c.htm.\nThe file may be read-only.");
    EXPECT_EQ(pages[4]["output"], root + "/protected_protected_c.htm");
    EXPECT_EQ(site.read("protected_c.htm"), "<p>old</p>");
    EXPECT_EQ(report["results"][0], (nlohmann::json{{"page", root + "/protected_a.htm"}}));
    // The same text goes to standard error, as an error of the file at fault, on one line.
    EXPECT_EQ(cli.err(), root + "/protected_c.htm: error: Unable to Access File: " + root +
                             "/protected_c.htm. The file may be read-only. [write-failed]\n");

    // 0 all protected or already protected, 1 some failed, 5 none could be protected; the last
    // line tells how the run ended, never that it is still scanning.
    site.write("d.htm", "<p>d</p>");
    const auto page = [&](const std::string& name) { return " " + Quoted(site.path() / name); };
    for (const auto& [pages, status, lastLine] :
         std::vector<std::tuple<std::string, int, std::string>>{
             {page("b.htm"), 0, "No files have been protected: 1 already protected"},
             {page("c.htm") + page("d.htm"), 1, "The following 1 file has been protected"},
             {page("c.htm") + page("missing.htm"), 5, "No files have been protected: 2 failed"}}) {
        SCOPED_TRACE(pages);
        EXPECT_EQ(cli.run("protect" + pages), status) << cli.err();
        EXPECT_EQ(statusLine(cli.out()), lastLine) << cli.out();
    }
}

// Usage errors exit 2 before anything is touched; with --json they are a document
// too. A notice that would end its comment is one.
TEST(ProtectCommand, UsageErrorsExitTwoBeforeTouchingAnything)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    const std::string folder = " " + Quoted(site.path());
    CliProcess cli;
    for (const std::string& arguments :
         {std::string(), " --save copy" + folder, " --save sideways" + folder,
          " --target /tmp" + folder, " --password ''" + folder,
          " --notice 'x--><script>alert(1)</script><!--'" + folder, " --notice 'x--!>'" + folder,
          " --save copy --target " + Quoted(site.path() / "." / "") + folder,
          " --pages-only" + folder, " --project " + Quoted(site.path() / "none.json")}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(cli.run("protect" + arguments), 2);
        EXPECT_TRUE(cli.err().starts_with("quorlane-cli: ")) << cli.err();
        EXPECT_EQ(cli.run("protect --json" + arguments), 2);
        const auto report = nlohmann::json::parse(cli.out());
        ASSERT_TRUE(report.contains("error"));
        EXPECT_THAT(cli.err(), HasSubstr(report["error"].get<std::string>()));
    }
    EXPECT_FALSE(site.exists("protected_a.htm"));
    EXPECT_EQ(cli.run("protect --notice ''" + folder), 0) << cli.err();
}

// Copies go below the target, the input left as it was, and with --pages-only the pages alone; a
// target named by bytes that are not
// UTF-8 is that very folder: the listing gives the bytes as they are, and JSON gives them in
// hexadecimal beside a readable form.
TEST(ProtectCommand, CopyPutsTheTreeBelowTheTargetWhateverItsName)
{
    TempFolder site;
    site.write("in/a.htm", "<p>a</p>");
    site.write("in/sub/b.htm", "<p>b</p>");
    site.write("in/css/site.css", "p {}");
    const std::string in = " " + Quoted(site.path() / "in");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --quiet --save copy --target " + Quoted(site.path() / "out") + in),
              0);
    EXPECT_TRUE(cli.out().empty());
    EXPECT_TRUE(site.read("out/sub/b.htm").ends_with(marker));
    EXPECT_EQ(site.read("out/css/site.css"), "p {}");
    EXPECT_EQ(site.read("in/sub/b.htm"), "<p>b</p>");
    ASSERT_EQ(cli.run("protect --quiet --pages-only --save copy --target " +
                      Quoted(site.path() / "pages") + in),
              0);
    EXPECT_EQ(quorlane::test::TreeOf(site.path() / "pages").size(), 3u); // a.htm, sub, sub/b.htm
    EXPECT_TRUE(site.read("pages/a.htm").ends_with(marker));

    const std::string e9 = site.path().string() + "/out\xE9";
    const std::string e8 = site.path().string() + "/out\xE8";
    ASSERT_EQ(cli.run("protect --save copy --target " + Quoted(e9) + in), 0);
    EXPECT_TRUE(cli.out().starts_with(e9 + "\n"));
    ASSERT_EQ(cli.run("protect --json --save copy --target " + Quoted(e8) + in), 0);
    EXPECT_TRUE(fs::exists(e9 + "/a.htm"));
    EXPECT_TRUE(fs::exists(e8 + "/a.htm"));
    const auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(report["pages"][0]["output"], site.path().string() + "/out\xEF\xBF\xBD/a.htm");
    std::string hex;
    for (const unsigned char byte : e8 + "/a.htm") {
        static constexpr char digits[] = "0123456789abcdef";
        hex += {digits[byte >> 4], digits[byte & 15]};
    }
    EXPECT_EQ(report["pages"][0]["output_bytes"], hex);
    EXPECT_FALSE(report["pages"][0].contains("page_bytes"));
}
