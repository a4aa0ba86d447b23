#include <gtest/gtest.h>

#include "cli/HelpText.h"
#include "run/SettingVocabulary.h"
#include "tests/cli/RunCli.h"
#include "wording/Counted.h"

using namespace quorlane;
using test::Outcome;
using test::RunCli;
using test::TempFolder;

namespace {

const std::string page =
    "<html><head></head><body><a href=\"mailto:a@b\">m</a><a href=\"x.html\">x</a></body></html>";

std::size_t longestLine(const std::string& text)
{
    std::size_t longest = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

} // namespace

// The short forms are the long options under another name, and of an option given twice that
// takes one value, the last is taken, whichever form each is given in.
TEST(Conventions, ShortFormsAndTheLastOfARepeatedOptionWin)
{
    const Outcome longForms =
        RunCli({"transform", "--mode", "email", "--enable", "no-right-click"}, page);
    ASSERT_EQ(longForms.status, cli::exitOk) << longForms.err;
    EXPECT_EQ(RunCli({"transform", "-m", "email", "-e", "no-right-click"}, page).out,
              longForms.out);
    EXPECT_EQ(
        RunCli({"transform", "-m", "body", "--mode=links", "-m", "email", "-e", "no-right-click"},
               page)
            .out,
        longForms.out);
    EXPECT_NE(RunCli({"transform", "-m", "email", "-m", "body", "-e", "no-right-click"}, page).out,
              longForms.out);

    const Outcome version = RunCli({"-V"});
    EXPECT_EQ(version.status, cli::exitOk);
    EXPECT_EQ(version.out, RunCli({"--version"}).out);
    EXPECT_THAT(version.out, testing::StartsWith("quorlane-cli "));

    TempFolder site;
    site.write("a.html", page);
    const std::string target = (site.path() / "out").string();
    const Outcome copy =
        RunCli({"protect", "-q", "-j", "1", "-j", "2", "--save", "copy", "--target", "/no/such",
                "-o", target, "--no-manifest", (site.path() / "a.html").string()});
    EXPECT_EQ(copy.status, cli::exitOk) << copy.err;
    EXPECT_TRUE(copy.out.empty()) << "-q lists nothing";
    EXPECT_TRUE(site.exists("out/a.html"));

    const std::string clean = site.write("clean.html", "<p>c</p>").string();
    EXPECT_THAT(RunCli({"check", "-v", clean}).out, HasSubstr("clean.html\n"));
    EXPECT_THAT(RunCli({"check", clean}).out, Not(HasSubstr("clean.html\n")));
}

// A usage error names the argument at fault and the help to read: the command's when one was
// named, else the program's.
TEST(Conventions, UsageErrorsNameTheArgumentAndPointToTheHelp)
{
    const struct
    {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{}, "name a command: protect, check, transform or restore (see quorlane-cli --help)"},
        {{"--frobnicate"},
         "unknown option --frobnicate; options go after the command (see "
         "quorlane-cli --help)"},
        {{"-q", "protect", "x"},
         "unknown option -q; options go after the command (see "
         "quorlane-cli protect --help)"},
        {{"protekt", "x"},
         "unknown command protekt; the commands are protect, check, transform "
         "and restore (see quorlane-cli --help)"},
        {{"protect", "--frobnicate", "x"},
         "unknown option --frobnicate (see quorlane-cli "
         "protect --help)"},
        {{"check", "-x", "x"}, "unknown option -x (see quorlane-cli check --help)"},
        {{"protect", "x", "--jobs"}, "--jobs needs a value (see quorlane-cli protect --help)"},
        {{"protect", "x", "-o"}, "--target needs a value (see quorlane-cli protect --help)"},
        {{"transform", "a", "b"}, "unexpected argument b (see quorlane-cli transform --help)"},
        {{"restore", "-m", "email", "x"}, "unknown option -m (see quorlane-cli restore --help)"},
        {{"transform", "-m", "half"}, "--mode: half not in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Outcome outcome = RunCli(c.args);
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_THAT(outcome.err, HasSubstr("quorlane-cli: " + c.says));
        EXPECT_EQ(outcome.errLines(), 1) << outcome.err;
    }
}

// Lines too long for the width break at blanks; an option's description goes on under itself,
// other lines under their own text; a word longer than the width stands alone, whole.
TEST(Conventions, HelpIsWrappedToTheWidth)
{
    EXPECT_EQ(cli::WrapHelp("  -m,--mode MODE   What to hide from view-source\nUsage: x\n", 30),
              "  -m,--mode MODE   What to\n"
              "                   hide from\n"
              "                   view-source\n"
              "Usage: x\n");
    EXPECT_EQ(cli::WrapHelp("Exit status: 0 every page protected", 14),
              "Exit status: 0\nevery page\nprotected");
    EXPECT_EQ(cli::WrapHelp("    a-very-long-word b", 8), "    a-very-long-word\n    b");
    EXPECT_EQ(cli::WrapHelp("\xC3\xA9\xC3\xA9\xC3\xA9 \xC3\xA9\xC3\xA9", 6),
              "\xC3\xA9\xC3\xA9\xC3\xA9 \xC3\xA9\xC3\xA9")
        << "characters, not bytes, are counted";

    // Not on a terminal: 80 columns, for the program and every command.
    for (const char* command : {"protect", "check", "transform", "restore"}) {
        SCOPED_TRACE(command);
        const Outcome help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, cli::exitOk);
        EXPECT_LE(longestLine(help.out), 80u);
        EXPECT_THAT(help.out, HasSubstr("-h,--help"));
    }
    EXPECT_LE(longestLine(RunCli({"--help-all"}).out), 80u);
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    cli::Run({"protect", "--help"}, in, out, err, {false, false, 70});
    EXPECT_GT(longestLine(out.str()), 60u);
    // An installed build cites its documents by their full path, a word that may not fit beside
    // the option column: such a word stands alone on its line, nothing else goes past the width.
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > 70u) {
            const std::size_t text = line.find_first_not_of(' ');
            EXPECT_EQ(line.find(' ', text), std::string::npos) << line;
        }
    }
}

// A count picks its form: one for 1, the other for 0 and more, each "%n" being the count.
TEST(Conventions, CountsTakeTheFormThatFitsThem)
{
    constexpr wording::Plural forms{u"%n page of %n", u"%n pages of %n"};
    EXPECT_EQ(wording::Counted(1, forms), u"1 page of 1");
    EXPECT_EQ(wording::Counted(0, forms), u"0 pages of 0");
    EXPECT_EQ(wording::Counted(12, forms), u"12 pages of 12");

    TempFolder site;
    const std::string one = site.write("one.html", "<p>1</p>").string();
    const Outcome checked = RunCli({"check", one});
    EXPECT_THAT(checked.out, HasSubstr("Checked 1 page: 0 warnings on 0 pages, 1 note\n"));
    const Outcome protect = RunCli({"protect", "--no-manifest", one});
    EXPECT_THAT(protect.out, HasSubstr("\nThe following 1 file has been protected\n"));
    EXPECT_EQ(protect.out.find("1 files"), std::string::npos);
}

// The help names each switch with what it does today, each mode and option, as the settings'
// vocabulary has them; the parser takes exactly the names of the vocabulary.
TEST(Conventions, HelpAndParserTakeTheSettingsVocabulary)
{
    using Kind = run::SettingWord::Kind;
    for (const char* command : {"protect", "transform"}) {
        SCOPED_TRACE(command);
        std::string help = RunCli({command, "--help"}).out;
        // Wrapped to the width: a name and its words may stand on two lines.
        for (char& c : help) {
            c = c == '\n' ? ' ' : c;
        }
        for (auto spaces = help.find("  "); spaces != std::string::npos; spaces = help.find("  ")) {
            help.erase(spaces, 1);
        }
        for (const run::SettingWord* word : run::WordsOf(Kind::Switch)) {
            EXPECT_THAT(help, HasSubstr(std::string(word->cliName) + " (" + word->today + ")"));
        }
        for (const run::SettingWord* word : run::WordsOf(Kind::ProtectMode)) {
            EXPECT_THAT(help, HasSubstr(std::string(word->cliName) + " ("));
        }
        for (const run::SettingOption option :
             {run::SettingOption::Warning, run::SettingOption::Notice,
              run::SettingOption::DomainLock, run::SettingOption::UrlLock,
              run::SettingOption::PasswordLock, run::SettingOption::Encrypt}) {
            EXPECT_THAT(help, HasSubstr(std::string(run::WordOf(option).cliName) + " "));
        }
    }
    const std::string protectHelp = RunCli({"protect", "--help"}).out;
    EXPECT_THAT(protectHelp, HasSubstr("--save new|overwrite|copy"));
    for (const run::SettingOption option :
         {run::SettingOption::Backups, run::SettingOption::BackupDir, run::SettingOption::Target,
          run::SettingOption::PagesOnly}) {
        EXPECT_THAT(protectHelp, HasSubstr(run::WordOf(option).cliName));
    }

    for (const run::SettingWord* word : run::WordsOf(Kind::Switch)) {
        EXPECT_EQ(RunCli({"transform", "--enable", word->cliName}, page).status, cli::exitOk)
            << word->cliName;
    }
    for (const run::SettingWord* word : run::WordsOf(Kind::ProtectMode)) {
        EXPECT_EQ(RunCli({"transform", "--mode", word->cliName}, page).status, cli::exitOk)
            << word->cliName;
    }
    EXPECT_EQ(RunCli({"transform", "--enable", "no-such-switch"}, page).status, cli::exitUsage);
}
