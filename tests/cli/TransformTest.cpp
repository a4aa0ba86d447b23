#include <gtest/gtest.h>

#include "files/LegacyCodec.h"
#include "tests/cli/RunCli.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;
using test::TempFolder;

// The options reach the page as settings (the golden pages show each option on its own):
// repeated --enable options add up, texts outside ASCII come through, and hosts outside ASCII are
// written in the form the browser reports.
TEST(Transform, SettingsFromOptionsReachThePage)
{
    const std::string page = "<html><head></head><body><a href=\"mailto:a@b\">m</a></body></html>";
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::EmailLinksOnly;
    settings.scriptSwitches.set(core::ScriptOption::NoRightClick);
    settings.scriptSwitches.set(core::ScriptOption::ExpirePage);
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Mine \u00E9";
    settings.domainLock = true;
    settings.lockDomain = u"xn--bcher-kva.example";
    const Outcome outcome =
        RunCli({"transform", "--mode", "email", "--enable", "no-right-click",
                "--enable=expire-page", "--warning", "Mine \xC3\xA9", "--domain-lock",
                "B\xC3\xBC"
                "cher.example"},
               page);
    EXPECT_EQ(outcome.status, cli::exitOk) << outcome.err;
    EXPECT_EQ(outcome.out, test::ProtectedFileBytes(page, settings));
}

// Bad usage, texts that could leave their string in the page script, blank ones, locks the
// browser could never match and password problems are refused in one line naming the option or
// the entry, before any page is read.
TEST(Usage, ProblemsAreRefusedInOneLineBeforeAnyPageIsRead)
{
    TempFolder folder;
    const std::string empty = folder.write("empty.txt", "\n").string();
    const std::string page = "/no/such/page.html";
#ifdef _WIN32
    _putenv_s("QUORLANE_NO_SUCH_VARIABLE", "");
#else
    ::unsetenv("QUORLANE_NO_SUCH_VARIABLE");
#endif
    const struct
    {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{}, "name a command"},
        {{"frobnicate"}, "unknown command frobnicate"},
        {{"transform", page, "b"}, "unexpected argument b"},
        {{"transform", page, "--mode", "half"}, "--mode: half not in"},
        {{"transform", page, "--enable", "no-mouse"}, "--enable: no-mouse not in"},
        {{"transform", page, "--warning", "it's"}, "--warning"},
        {{"transform", page, "--password", "a\"b"}, "--password"},
        {{"transform", page, "--domain-lock", "a\\b"}, "--domain-lock"},
        {{"transform", page, "--url-lock", "http://x/\ny"}, "--url-lock"},
        {{"transform", page, "--url-lock", "http://x/\xE2\x80\xA8"}, "--url-lock"},
        {{"transform", page, "--domain-lock", "   "}, "--domain-lock"},
        {{"transform", page, "--password", ""}, "--password"},
        {{"transform", page, "--domain-lock", "a.example, www.b.example/shop"},
         "\"www.b.example/shop\""},
        {{"transform", page, "--url-lock", "https:///index.html"}, "\"https:///index.html\""},
        {{"transform", page, "--domain-lock", "not a domain!!"}, "\"domain!!\""},
        {{"protect", "/no/such", "--url-lock", "ftp//bad url"}, "is not a web address"},
        {{"transform", page, "--url-lock", "javascript:alert(1)"}, "is not a web address"},
        {{"transform", page, "--url-lock", "ftp://x.example/"}, "is not a web address"},
        {{"transform", "--password", "-"}, "already gives the page"},
        {{"transform", page, "--password-file", "/no/such/file"}, "cannot read the password"},
        {{"transform", page, "--password-file", empty}, "holds no password"},
        {{"transform", page, "--password-env", "QUORLANE_NO_SUCH_VARIABLE"}, "is not set"},
        {{"transform", page, "--password", "-"}, "standard input holds no password"},
        {{"transform", page, "--password", "a", "--password-file", empty}, "one way only"},
        {{"transform", page, "--encrypt"}, "--encrypt needs a password"},
        {{"transform", page, "--encrypt", "--password=x", "--kdf-iterations=99999"},
         "between 100000 and 10000000"},
        {{"transform", page, "--password=x", "--kdf-iterations=200000"}, "with --encrypt only"},
        {{"transform", page, "--password=x", "--no-remember"}, "with --encrypt only"},
        {{"transform", page, "--encrypt", "--password=a\nb"}, "holds a line break"},
        {{"protect", "/no/such", "--encrypt"}, "--encrypt needs a password"},
        {{"protect", "--jobs", "0", "/no/such"}, "--jobs takes a whole number"},
        {{"protect", "--jobs", "two", "/no/such"}, "--jobs takes a whole number"},
        {{"protect", "--jobs", "-3", "/no/such"}, "--jobs takes a whole number"},
        {{"protect", "--jobs", "4x", "/no/such"}, "--jobs takes a whole number"},
        {{"protect", "--jobs", "", "/no/such"}, "--jobs takes a whole number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Outcome outcome = RunCli(c.args);
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_THAT(outcome.err, HasSubstr(c.says));
        EXPECT_THAT(outcome.err, Not(HasSubstr("/no/such/page"))) << "read before refusing";
        EXPECT_EQ(outcome.errLines(), 1) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
    const Outcome help = RunCli({"transform", "--help"});
    EXPECT_EQ(help.status, cli::exitOk);
    EXPECT_THAT(help.out, HasSubstr("--domain-lock DOMAIN"));
    EXPECT_THAT(help.out, HasSubstr("block-netscape"));
}

// The real program: a file or its standard input, a list of switches does not swallow the file
// name behind it; and the exit statuses.
TEST(TransformProcess, WritesTheProtectedPageAndExitsWithWhatHappened)
{
    TempFolder folder;
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
    const std::string protectedPage = cli.out();
    EXPECT_EQ(cli.run("transform " + folder.write("protected.html", protectedPage).string()), 3);
    EXPECT_EQ(cli.out(), protectedPage);

    EXPECT_EQ(cli.run("transform " + (folder.path() / "missing.html").string()), 2);
    EXPECT_THAT(cli.err(), HasSubstr("missing.html"));
    EXPECT_EQ(cli.run("transform " + folder.path().string()), 2);
    EXPECT_EQ(cli.run("transform --mode none " + file), 2);
    EXPECT_TRUE(cli.out().empty());
}

// A page that declares an encoding the system cannot read at all (gb18030 on a Windows system
// without its code page) is refused by name, never protected as other text; a system that reads
// it protects it.
TEST(Transform, APageInAnEncodingTheSystemCannotReadIsRefused)
{
    TempFolder site;
    // "你好" in gb18030.
    const std::string page = "<meta charset=\"gb18030\"><p>\xC4\xE3\xBA\xC3</p>";
    const std::string file = site.write("gb.html", page).string();
    const std::string target = (site.path() / "out").string();
    const Outcome transform = RunCli({"transform", file});
    const Outcome protect =
        RunCli({"protect", "--quiet", "--save", "copy", "--target", target, file});
    if (files::CanDecodeLegacy(files::Encoding::Gb18030)) {
        EXPECT_EQ(transform.status, cli::exitOk) << transform.err;
        EXPECT_EQ(protect.status, cli::exitOk) << protect.err;
        EXPECT_TRUE(test::fs::exists(site.path() / "out" / "gb.html"));
        return;
    }
    EXPECT_EQ(transform.status, cli::exitPageFailed);
    EXPECT_NE(transform.err.find("gb18030"), std::string::npos) << transform.err;
    EXPECT_TRUE(transform.out.empty());
    EXPECT_EQ(protect.status, cli::exitNothingProtected);
    EXPECT_NE(protect.err.find("which this system cannot read"), std::string::npos) << protect.err;
    EXPECT_FALSE(test::fs::exists(site.path() / "out" / "gb.html"));
}
