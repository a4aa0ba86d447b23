#include <gtest/gtest.h>

#include "cli/PasswordAdvice.h"
#include "cli/PasswordOptions.h"
#include "core/Utf8.h"
#include "tests/cli/RunCli.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;
using test::TempFolder;

namespace {

#ifdef _WIN32
// Set as Windows keeps the environment, in UTF-16, which the program reads: a narrow value would
// be read in the ANSI code page.
std::wstring wide(const char* utf8)
{
    const std::u16string text = core::Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}
int setenv(const char* name, const char* value, int)
{
    return _wputenv_s(wide(name).c_str(), wide(value).c_str());
}
int unsetenv(const char* name)
{
    return _wputenv_s(wide(name).c_str(), L"");
}
#endif

const std::string hidden = "<p>Zanzibar quartermaster</p>";

} // namespace

// Each source gives the password that the clear lock then writes into the page script.
TEST(PasswordSources, EachGivesItsPasswordAndOnlyTheArgumentWarns)
{
    TempFolder folder;
    const std::string page = folder.write("page.html", hidden).string();
    const std::string crlf = folder.write("crlf.txt", "the first line\r\nsecond\r\n").string();
    const std::string bom = folder.write("bom.txt", "\xEF\xBB\xBFmarked as UTF-8").string();
    setenv("QUORLANE_TEST_PASSWORD", "from the environment", 1);
    const std::tuple<std::vector<std::string>, std::string, std::string, bool> cases[] = {
        {{"--password", "typed in full"}, "", "typed in full", true},
        {{"--password-file", crlf}, "", "the first line", false},
        {{"--password-file", bom}, "", "marked as UTF-8", false},
        {{"--password-env", "QUORLANE_TEST_PASSWORD"}, "", "from the environment", false},
        {{"--password", "-"}, "piped in from echo\nrest\n", "piped in from echo", false},
    };
    for (const auto& [options, input, password, warns] : cases) {
        SCOPED_TRACE(options[0] + " " + options[1]);
        std::vector<std::string> args = {"transform", page};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = RunCli(args, input);
        ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
        const std::string script = test::PageScriptOf(outcome.out);
        EXPECT_THAT(script, HasSubstr("p!='" + password + "'"));
        EXPECT_EQ(outcome.err.find("other users of this machine can see") != std::string::npos,
                  warns)
            << outcome.err;
        EXPECT_EQ(outcome.errLines(), warns ? 1 : 0);
    }
    unsetenv("QUORLANE_TEST_PASSWORD");
}

// On a terminal the password is asked twice, unseen; a mismatch gives no password.
TEST(PasswordSources, TheTerminalAsksTwice)
{
    for (const std::vector<std::string>& answers :
         std::vector<std::vector<std::string>>{{"same", "same"}, {"same", "other"}}) {
        std::istringstream in;
        std::vector<std::string> prompts;
        std::size_t next = 0;
        cli::Console console{in, true, [&](const char* prompt) {
                                 prompts.emplace_back(prompt);
                                 return std::optional<std::string>(answers[next++]);
                             }};
        cli::PasswordOptions options;
        std::optional<std::string> password = "-";
        const auto refusal = options.readPassword(password, console, false);
        EXPECT_EQ(prompts, (std::vector<std::string>{"Password: ", "Password again: "}));
        EXPECT_EQ(refusal.has_value(), answers[0] != answers[1]);
        if (!refusal) {
            EXPECT_EQ(password, "same");
        }
    }
}

// An encrypted lock writes neither the password nor the hidden markup into the page, so any
// one-line password does; the options reach the prompt of the page script.
TEST(PasswordSources, EncryptedPagesHoldNeitherPasswordNorHiddenText)
{
    TempFolder folder;
    const std::string page = folder.write("page.html", hidden).string();
    const std::string password = "it's a \"quote\\d\" one";
    const std::string file = folder.write("password.txt", password + "\n").string();
    const Outcome outcome = RunCli({"transform", page, "--encrypt", "--password-file", file,
                                    "--kdf-iterations", "150000", "--no-remember"});
    ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
    EXPECT_EQ(outcome.err, "quorlane-cli: warning: --kdf-iterations 150000 is below the default "
                           "600000: each guess at the password takes 4 times less work, so a "
                           "guesser finds it 4 times sooner [few-kdf-iterations]\n");
    const std::string script = test::PageScriptOf(outcome.out);
    EXPECT_THAT(script, HasSubstr("',150000,'"));
    EXPECT_THAT(script, HasSubstr("',false);\r\n}"));
    for (const std::string& text : {outcome.out, script}) {
        EXPECT_THAT(text, Not(HasSubstr("quote")));
        EXPECT_THAT(text, Not(HasSubstr("Zanzibar")));
    }
    EXPECT_THAT(outcome.out, HasSubstr("qv_d00(qv_open(\""));
}

// The written page is checked as the run made it: a page with nothing to seal opens without a
// password, one with an e-mail link asks for it.
TEST(PasswordSources, OnlyPagesWithSealedPartsAsk)
{
    TempFolder folder;
    for (const auto& [content, asks] :
         {std::pair<std::string, bool>{"<p>Only <a href=\"a.html\">a link</a></p>", false},
          std::pair<std::string, bool>{"<p><a href=\"mailto:me@example.com\">me</a></p>", true}}) {
        const std::string page = folder.write("page.html", content).string();
        const Outcome outcome = RunCli({"transform", page, "--mode", "email", "--encrypt",
                                        "--password=secret", "--kdf-iterations=100000"});
        ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
        EXPECT_EQ(outcome.out.find("qv_unlock") != std::string::npos, asks) << content;
    }
}

// The key is derived once per run: every page of a run, frame pages too, carries the same salt
// and check value, and another run another salt.
TEST(EncryptedRun, OneKeyPerRun)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    site.write("sub/b.html", "<p>b</p>");
    site.write("frames.html", "<frameset><frame src=\"f.html\"></frameset>");
    site.write("f.html", "<p>f</p>");
    // Salt, iteration count and check value, as the page hands them to the unlock script.
    const auto parametersOf = [&](const std::string& page) {
        const std::string script = test::PageScriptOf(site.read(page));
        const std::size_t from = script.find("qv_unlock('");
        const std::size_t to = script.find("',true);", from);
        return from == std::string::npos || to == std::string::npos
                   ? std::string()
                   : script.substr(from, to - from);
    };
    std::vector<std::string> salts;
    for (const char* target : {"one", "two"}) {
        const Outcome outcome = RunCli(
            {"protect", "--quiet", "--save", "copy", "--target", (site.path() / target).string(),
             "--encrypt", "--password=secret", "--kdf-iterations=100000", site.path().string()});
        ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
        const std::string first = parametersOf(std::string(target) + "/a.htm");
        ASSERT_FALSE(first.empty());
        for (const char* page : {"sub/b.html", "f.html"}) {
            EXPECT_EQ(parametersOf(std::string(target) + "/" + page), first) << page;
        }
        salts.push_back(first);
    }
    EXPECT_NE(salts[0], salts[1]);
}

// A password that guessing would find soon is taken, with a warning for each rule it breaks:
// fewer than 12 characters (counted as characters, not bytes), or a common one in any case.
TEST(PasswordSources, WeakPasswordsAreTakenWithAWarning)
{
    const std::string e = "\xC3\xA9";
    const struct
    {
        std::string password;
        std::vector<std::string> rules;
    } cases[] = {
        {"abc", {"3 characters, fewer than 12: "}},
        {e + e + e + e + e + e, {"6 characters, fewer than 12: "}},
        {"Password1234", {"[common-password]"}},
        {"qwerty", {"[short-password]", "[common-password]"}},
        {"elevenchars", {"11 characters"}},
        {"twelve chars", {}},
        {e + e + e + e + e + e + e + e + e + e + e + e, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        setenv("QUORLANE_TEST_PASSWORD", c.password.c_str(), 1);
        const Outcome taken =
            RunCli({"transform", "--password-env", "QUORLANE_TEST_PASSWORD"}, "<p>x</p>");
        EXPECT_EQ(taken.status, cli::exitOk);
        EXPECT_EQ(taken.errLines(), static_cast<long>(c.rules.size())) << taken.err;
        for (const std::string& rule : c.rules) {
            EXPECT_THAT(taken.err, HasSubstr(rule));
        }
    }
    unsetenv("QUORLANE_TEST_PASSWORD");
    EXPECT_EQ(cli::IterationsWarning(600000), "");
    EXPECT_THAT(cli::IterationsWarning(250000), HasSubstr("2.4 times sooner"));
    EXPECT_THAT(cli::IterationsWarning(100000), HasSubstr("6 times less work"));
}

// The unlock form's options reach the page script as one options argument; what could not work
// is refused before any page is read.
TEST(UnlockFormOptions, ReachThePageOrAreRefused)
{
    TempFolder folder;
    const std::string page = folder.write("page.html", hidden).string();
    const std::string form =
        folder.write("form.html", "\xEF\xBB\xBF<form><h1>{{title}}</h1><input id=\"p\"></form>")
            .string();
    const std::string noField = folder.write("nofield.html", "<form><input></form>").string();
    const std::string latin1 = folder.write("latin1.html", "<form id=\"p\">\xE9</form>").string();
    const std::vector<std::string> encrypt = {"transform", page, "--encrypt", "--password=secret",
                                              "--kdf-iterations=100000"};
    const std::pair<std::vector<std::string>, std::string> accepted[] = {
        {{"--remember-days", "30"}, "',true,{d:30});"},
        {{"--unlock-text", "title=Members' area", "--unlock-text", "accent=#123456"},
         "',true,{t:{title:'Members\\u0027 area'},c:'button{background:#123456}"},
        {{"--unlock-text", "button=a=b"}, "{t:{button:'a=b'}}"},
        {{"--unlock-template", form, "--no-remember"},
         "',false,{f:'<form><h1>{{title}}</h1><input id=\"p\"></form>'});"},
    };
    for (const auto& [options, call] : accepted) {
        SCOPED_TRACE(options[0]);
        std::vector<std::string> args = encrypt;
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = RunCli(args);
        ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
        EXPECT_THAT(test::PageScriptOf(outcome.out), HasSubstr(call));
    }
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--remember-days", "0"}, "between 1 and 3650"},
        {{"--remember-days", "3651"}, "between 1 and 3650"},
        {{"--remember-days", "5", "--no-remember"}, "give one of them"},
        {{"--unlock-text", "title"}, "NAME=TEXT"},
        {{"--unlock-text", "heading=x"}, "is not a text of the unlock form"},
        {{"--unlock-text", "panel=red;x"}, "is not a colour"},
        {{"--unlock-template", noField}, "no password field"},
        {{"--unlock-template", latin1}, "not UTF-8"},
        {{"--unlock-template", (folder.path() / "missing.html").string()}, "cannot read"},
    };
    for (const auto& [options, message] : refused) {
        SCOPED_TRACE(options[0] + " " + options[1]);
        std::vector<std::string> args = encrypt;
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = RunCli(args);
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_THAT(outcome.err, HasSubstr(message));
    }
    const Outcome clear =
        RunCli({"transform", page, "--password=secret", "--unlock-text", "title=x"});
    EXPECT_EQ(clear.status, cli::exitUsage);
    EXPECT_THAT(clear.err, HasSubstr("--unlock-text goes with --encrypt only"));
}

// --share-link tells the run's key, URL-safe, once per run: another run has another key.
TEST(UnlockFormOptions, ShareLinkTellsTheKeyOfEachRun)
{
    TempFolder folder;
    const std::string page = folder.write("page.html", hidden).string();
    std::vector<std::string> keys;
    for (int run = 0; run < 2; ++run) {
        const Outcome outcome = RunCli({"transform", page, "--encrypt", "--password=secret",
                                        "--kdf-iterations=100000", "--share-link"});
        ASSERT_EQ(outcome.status, cli::exitOk) << outcome.err;
        const std::size_t at = outcome.err.find("#qv-key=");
        ASSERT_NE(at, std::string::npos) << outcome.err;
        const std::string key = outcome.err.substr(at + 8, outcome.err.find(' ', at) - at - 8);
        EXPECT_EQ(key.size(), 43u) << key;
        EXPECT_EQ(key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                        "0123456789-_"),
                  std::string::npos)
            << key;
        EXPECT_THAT(outcome.out, Not(HasSubstr(key)));
        keys.push_back(key);
    }
    EXPECT_NE(keys[0], keys[1]);
    const Outcome clear = RunCli({"transform", page, "--password=secret", "--share-link"});
    EXPECT_EQ(clear.status, cli::exitUsage);
    EXPECT_THAT(clear.err, HasSubstr("--share-link goes with --encrypt only"));
}
