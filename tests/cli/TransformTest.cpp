#include <array>
#include <gtest/gtest.h>

#include "tests/cli/RunCli.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;

TEST(Transform, SettingsFromOptionsReachThePage)
{
    const std::string page = "<html><head></head><body><a href=\"mailto:a@b\">m</a></body></html>";
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::EmailLinksOnly;
    settings.scriptSwitches.set(core::ScriptOption::NoRightClick);
    settings.scriptSwitches.set(core::ScriptOption::ExpirePage);
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Mine \u00E9";
    settings.passwordProtect = true;
    settings.password = u"open sesame";
    settings.copyrightNotice = true;
    settings.copyrightNoticeText = u"(c) me";
    const Outcome outcome = RunCli({"transform", "--mode", "email", "--enable", "no-right-click",
                                    "--enable=expire-page", "--warning", "Mine \xC3\xA9",
                                    "--password", "open sesame", "--notice", "(c) me"},
                                   page);
    EXPECT_EQ(outcome.status, cli::exitOk) << outcome.err;
    EXPECT_EQ(outcome.out, test::ProtectedFileBytes(page, settings));

    settings = {};
    settings.scriptSwitches.set(core::ScriptOption::NoPrinting);
    settings.scriptSwitches.set(core::ScriptOption::BlockOpera);
    settings.domainLock = true;
    settings.lockDomain = u"www.site.example";
    settings.urlLock = true;
    settings.lockUrl = u"http://www.site.example/a.html";
    EXPECT_EQ(RunCli({"transform", "--enable", "no-printing,block-opera", "--domain-lock",
                      "www.site.example", "--url-lock", "http://www.site.example/a.html"},
                     page)
                  .out,
              test::ProtectedFileBytes(page, settings));
    // Hosts outside ASCII are written in the form the browser reports.
    settings = {};
    settings.domainLock = true;
    settings.lockDomain = u"xn--bcher-kva.example";
    EXPECT_EQ(RunCli({"transform", "--domain-lock",
                      "B\xC3\xBC"
                      "cher.example"},
                     page)
                  .out,
              test::ProtectedFileBytes(page, settings));
}

// Texts that could leave their string in the page script, blank ones, and locks the browser
// could never match are refused in one line naming the option or the entry, before any page is
// read.
TEST(Transform, BadTextsAreRefusedBeforeReading)
{
    for (const auto& [option, text, named] : std::vector<std::array<std::string, 3>>{
             {"--warning", "it's", "--warning"},
             {"--password", "a\"b", "--password"},
             {"--domain-lock", "a\\b", "--domain-lock"},
             {"--url-lock", "http://x/\ny", "--url-lock"},
             {"--url-lock", "http://x/\xE2\x80\xA8", "--url-lock"},
             {"--domain-lock", "   ", "--domain-lock"},
             {"--password", "", "--password"},
             {"--domain-lock", "a.example, www.b.example/shop", "\"www.b.example/shop\""},
             {"--url-lock", "https:///index.html", "\"https:///index.html\""},
         }) {
        SCOPED_TRACE(option + " " + text);
        const Outcome outcome = RunCli({"transform", "/no/such/page.html", option, text});
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_THAT(outcome.err, HasSubstr(named));
        EXPECT_THAT(outcome.err, Not(HasSubstr("page.html"))) << "read before refusing";
        EXPECT_EQ(outcome.errLines(), 1);
    }
}

TEST(Transform, BadUsageGivesOneLineAndStatusTwo)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"transform", "--mode", "half"},
                                               {"transform", "--enable", "no-mouse"},
                                               {"frobnicate"},
                                               {"transform", "a", "b"}}) {
        const Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_EQ(outcome.errLines(), 1) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
    const Outcome help = RunCli({"transform", "--help"});
    EXPECT_EQ(help.status, cli::exitOk);
    EXPECT_THAT(help.out, HasSubstr("--domain-lock DOMAIN"));
    EXPECT_THAT(help.out, HasSubstr("block-netscape"));
}

// The real program: a file or its standard input; a list of switches does not swallow the file
// name behind it; and the exit statuses.
TEST(TransformProcess, WritesTheProtectedPageOfAFileOrOfStandardInput)
{
    test::TempFolder folder;
    test::CliProcess cli;
    const std::string page = "<html><body><p>\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80</p></body>";
    const std::string file = folder.write("page.html", page).string();
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::BodyOnly;
    settings.scriptSwitches.set(core::ScriptOption::NoOffline);
    settings.scriptSwitches.set(core::ScriptOption::BlockOpera);
    for (const std::string& input : {file, "- <" + file}) {
        ASSERT_EQ(cli.run("transform --mode body --enable no-offline,block-opera " + input), 0)
            << cli.err();
        EXPECT_EQ(cli.out(), test::ProtectedFileBytes(page, settings));
    }
}

TEST(TransformProcess, ExitStatusesTellWhatHappened)
{
    test::TempFolder folder;
    test::CliProcess cli;
    const std::string page = folder.write("page.html", "<p>x</p>").string();
    ASSERT_EQ(cli.run("transform " + page), 0);
    const std::string protectedPage = cli.out();
    EXPECT_EQ(cli.run("transform " + folder.write("protected.html", protectedPage).string()), 3);
    EXPECT_EQ(cli.out(), protectedPage);

    EXPECT_EQ(cli.run("transform " + (folder.path() / "missing.html").string()), 2);
    EXPECT_THAT(cli.err(), HasSubstr("missing.html"));
    EXPECT_EQ(cli.run("transform " + folder.path().string()), 2);
    EXPECT_EQ(cli.run("transform --mode none " + page), 2);
    EXPECT_TRUE(cli.out().empty());
}
