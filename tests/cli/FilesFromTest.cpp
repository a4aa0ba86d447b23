#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/PathList.h"
#include "tests/cli/RunCli.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;
using test::TempFolder;

// A list is read as find and its kin write it: a line each, CR LF as LF, blank lines left out;
// with -0 a NUL ends each path, so that a line feed may stand in a name.
TEST(FilesFrom, ListsAreReadAsFindWritesThem)
{
    std::istringstream lines("a.html\r\n\nsub/b c.html\nlast.html");
    EXPECT_EQ(cli::ReadPathList(lines, false),
              (std::vector<std::string>{"a.html", "sub/b c.html", "last.html"}));
    std::istringstream nuls(std::string("a\nb.html\0\0c.html\0", 17));
    EXPECT_EQ(cli::ReadPathList(nuls, true), (std::vector<std::string>{"a\nb.html", "c.html"}));
}

// The pages of a list on standard input or in a file come after those given as arguments, and
// are protected as if given so.
TEST(FilesFrom, ListedPagesAreProtectedAfterThoseGiven)
{
    TempFolder site;
    const std::string a = site.write("a.html", "<p>a</p>").string();
    const std::string b = site.write("b c.html", "<p>b</p>").string();
    const std::string c = site.write("c.html", "<p>c</p>").string();
    const Outcome piped =
        RunCli({"protect", "--no-manifest", "--json", "-j", "1", c, "--files-from", "-", "-0"},
               a + std::string(1, '\0') + b + std::string(1, '\0'));
    ASSERT_EQ(piped.status, cli::exitOk) << piped.err;
    const auto pages = nlohmann::json::parse(piped.out)["pages"];
    ASSERT_EQ(pages.size(), 3u);
    const auto name = [&](std::size_t i) {
        return test::fs::path(pages[i]["page"].get<std::string>()).filename().string();
    };
    EXPECT_EQ(name(0), "c.html");
    EXPECT_EQ(name(1), "a.html");
    EXPECT_EQ(name(2), "b c.html");
    EXPECT_TRUE(site.exists("protected_b c.html"));

    const std::string list = site.write("list.txt", a + "\n").string();
    const Outcome fromFile = RunCli({"check", "-v", "--files-from", list});
    EXPECT_EQ(fromFile.status, cli::exitOk) << fromFile.err;
    EXPECT_THAT(fromFile.out, HasSubstr("a.html\n"));
    EXPECT_THAT(fromFile.out, Not(HasSubstr("c.html")));

    const struct
    {
        std::vector<std::string> args;
        std::string says;
    } refused[] = {
        {{"protect", "-0", a}, "-0 goes with --files-from"},
        {{"protect", "--files-from", "-", "--password", "-"}, "both read standard input"},
        {{"check", "--files-from", (site.path() / "none.txt").string()}, "cannot read the list"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Outcome outcome = RunCli(c.args, "x\n");
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_THAT(outcome.err, HasSubstr(c.says));
    }
}

// --disable turns off a switch that a project file turns on (and one that --enable does), and the
// page comes out as if the switch had never been on.
TEST(FilesFrom, DisableTurnsOffAProjectsSwitch)
{
    TempFolder site;
    const std::string page = "<html><head></head><body><p>x</p></body></html>";
    site.write("on/a.html", page);
    site.write("off/a.html", page);
    site.write("plain/a.html", page);
    const std::string project = (site.path() / "p.json").string();
    ASSERT_EQ(RunCli({"check", "-e", "no-right-click,no-printing", "--save-project", project,
                      (site.path() / "on").string()})
                  .status,
              cli::exitOk);
    const auto protect = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"protect", "--no-manifest", "-q"});
        const Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, cli::exitOk) << outcome.err;
    };
    protect({"--project", project});
    protect({"--project", project, "--disable", "no-right-click", "-e", "no-text-select",
             "--disable=no-text-select", (site.path() / "off").string()});
    protect({"-e", "no-printing", (site.path() / "plain").string()});
    EXPECT_NE(site.read("on/protected_a.html"), site.read("plain/protected_a.html"));
    EXPECT_EQ(site.read("off/protected_a.html"), site.read("plain/protected_a.html"));
}
