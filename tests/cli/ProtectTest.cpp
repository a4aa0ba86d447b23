#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/CliProcess.h"

using quorlane::test::CliProcess;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;

namespace {

const std::string marker = "\r\n<!-- This webpage was protected by Quorlane //-->\r\n";

} // namespace

TEST(ProtectCommand, ListsWhatItProtectedAndExitsZero)
{
    TempFolder site;
    site.write("index.htm", "<p>1</p>");
    site.write("sub/a.html", "<p>2</p>");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --save overwrite --no-backups " + Quoted(site.path())), 0)
        << cli.err();
    EXPECT_EQ(cli.out(), site.path().string() + "\n    /index.htm\n    /sub/a.html\n"
                                                "The following 2 files have been protected\n");
    EXPECT_TRUE(site.read("index.htm").ends_with(marker));
    EXPECT_FALSE(site.exists("index.htm.bak"));
    EXPECT_TRUE(cli.err().empty());
}

TEST(ProtectCommand, JsonReportsEveryPageWithItsOutcome)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>" + marker);
    site.write("c.htm", "<p>c</p>");
    site.write("protected_c.htm", "<p>old</p>");
    quorlane::test::fs::permissions(site.path() / "protected_c.htm",
                                    quorlane::test::fs::perms::owner_read);
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --mode links " + Quoted(site.path() / "a.htm") + " " +
                      Quoted(site.path())),
              1);
    const auto report = nlohmann::json::parse(cli.out());
    const std::string root = site.path().string();
    EXPECT_EQ(report["status"], "The following 2 files have been protected");
    // a.htm twice, b.htm, c.htm (whose output is read-only), and the read-only file itself, which
    // is a page like any other.
    EXPECT_EQ(report["totals"], (nlohmann::json{{"protected", 2}, {"skipped", 2}, {"failed", 1}}));
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
    EXPECT_EQ(report["results"][0], (nlohmann::json{{"page", root + "/protected_a.htm"}}));
    // The same text goes to standard error.
    EXPECT_EQ(cli.err(), "quorlane-cli: Unable to Access File: " + root +
                             "/protected_c.htm.\nThe file may be read-only.\n");
}

TEST(ProtectCommand, UsageErrorsExitTwoBeforeTouchingAnything)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    CliProcess cli;
    for (const std::string& arguments :
         {std::string("protect"), "protect --save copy " + Quoted(site.path()),
          "protect --save sideways " + Quoted(site.path()),
          "protect --target /tmp " + Quoted(site.path()),
          "protect --password '' " + Quoted(site.path())}) {
        EXPECT_EQ(cli.run(arguments), 2) << arguments;
        EXPECT_NE(cli.err().find("quorlane-cli: "), std::string::npos) << arguments;
    }
    EXPECT_FALSE(site.exists("protected_a.htm"));
}

TEST(ProtectCommand, CopyPutsTheTreeBelowTheTarget)
{
    TempFolder site;
    site.write("in/index.htm", "<p>1</p>");
    site.write("in/sub/a.htm", "<p>2</p>");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --quiet --save copy --target " + Quoted(site.path() / "out") + " " +
                      Quoted(site.path() / "in")),
              0);
    EXPECT_TRUE(cli.out().empty());
    EXPECT_TRUE(site.read("out/sub/a.htm").ends_with(marker));
    EXPECT_EQ(site.read("in/sub/a.htm"), "<p>2</p>");
}
