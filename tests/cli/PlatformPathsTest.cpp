#include <gtest/gtest.h>

#include "tests/cli/RunCli.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;
using test::TempFolder;

// A frame page named by a frameset is protected once, in its own folder below the frameset's,
// whether the frameset comes with its folder or on its own, and whichever separators the
// arguments are written with.
TEST(FramePages, AreHandledOnceAndPlacedBelowTheFrameset)
{
    TempFolder folder;
    folder.write("site/frames.html", "<frameset><frame src=\"sub/f.html\">"
                                     "<frame src=\"sub/../sub/f.html\"></frameset>");
    folder.write("site/sub/f.html", "<p>frame</p>");
    const std::string site = (folder.path() / "site").string();

    const Outcome copy = RunCli({"protect", "--quiet", "--save", "copy", "--target",
                                 (folder.path() / "out").string(), site});
    ASSERT_EQ(copy.status, cli::exitOk) << copy.err;
    EXPECT_EQ(test::MarkerCount(folder.read("out/sub/f.html")), 1u);
    EXPECT_EQ(test::MarkerCount(folder.read("out/frames.html")), 1u);

    // The frameset on its own, named with "/" on every system.
    const Outcome beside = RunCli({"protect", "--quiet", site + "/frames.html"});
    ASSERT_EQ(beside.status, cli::exitOk) << beside.err;
    EXPECT_EQ(test::MarkerCount(folder.read("site/sub/protected_f.html")), 1u);
    EXPECT_EQ(test::MarkerCount(folder.read("site/protected_frames.html")), 1u);
    EXPECT_FALSE(folder.exists("site/protected_sub"));
}

#ifdef _WIN32

#include "cli/EnvironmentValue.h"
#include "cli/WideText.h"

// The command line comes wide; each argument reaches the commands as UTF-8, whatever the ANSI
// code page holds.
TEST(WideArguments, ReachTheCommandsAsUtf8)
{
    const wchar_t* argv[] = {L"quorlane-cli.exe", L"P\u00E4sswort \u2603", L"\U0001F600",
                             L"x\xD800y"};
    EXPECT_EQ(cli::Utf8Arguments(4, argv),
              (std::vector<std::string>{"P\xC3\xA4sswort \xE2\x98\x83", "\xF0\x9F\x98\x80",
                                        "x\xEF\xBF\xBDy"}));
}

TEST(WideEnvironment, GivesValuesAsUtf8)
{
    ASSERT_EQ(_wputenv_s(L"QUORLANE_TEST_WIDE", L"P\u00E4sswort \u2603"), 0);
    EXPECT_EQ(cli::EnvironmentValue("QUORLANE_TEST_WIDE"), "P\xC3\xA4sswort \xE2\x98\x83");
    ASSERT_EQ(_wputenv_s(L"QUORLANE_TEST_WIDE", L""), 0);
    EXPECT_EQ(cli::EnvironmentValue("QUORLANE_TEST_WIDE"), std::nullopt);
}

// The real program, started with a wide command line: a password and a path outside the
// code page, given as arguments or through the environment, give the page that the same
// arguments give to the commands in this process (as on every other system).
TEST(WideEdge, PasswordsAndPathsOutsideTheCodePageReachTheRun)
{
    TempFolder folder;
    folder.write("\xC3\x9C"
                 "ber/page.html",
                 "<p>hidden \xE2\x82\xAC</p>");
    const std::string page = folder.path().string() + "/\xC3\x9C"
                                                      "ber/page.html";
    const std::string password = "P\xC3\xA4sswort \xE2\x98\x83";
    const Outcome expected = RunCli({"transform", "--password", password, page});
    ASSERT_EQ(expected.status, cli::exitOk) << expected.err;

    test::CliProcess program;
    ASSERT_EQ(
        program.run("transform --password " + test::Quoted(password) + " " + test::Quoted(page)),
        cli::exitOk)
        << program.err();
    EXPECT_EQ(program.out(), expected.out);

    ASSERT_EQ(_wputenv_s(L"QUORLANE_TEST_PASSWORD", L"P\u00E4sswort \u2603"), 0);
    ASSERT_EQ(program.run("transform --password-env QUORLANE_TEST_PASSWORD " + test::Quoted(page)),
              cli::exitOk)
        << program.err();
    EXPECT_EQ(program.out(), expected.out);
    _wputenv_s(L"QUORLANE_TEST_PASSWORD", L"");
}

// What the program writes about a file names it in UTF-8, never in the ANSI code page.
TEST(WideEdge, TextAboutFilesIsUtf8)
{
    TempFolder folder;
    const std::string missing = folder.path().string() + "/\xE6\x97\xA5\xE6\x9C\xAC.html";
    test::CliProcess program;
    EXPECT_NE(program.run("transform " + test::Quoted(missing)), cli::exitOk);
    EXPECT_THAT(program.err(), HasSubstr("\xE6\x97\xA5\xE6\x9C\xAC.html"));
}

#endif
