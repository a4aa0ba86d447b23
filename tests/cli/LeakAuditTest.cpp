// What a run publishes beside its pages is compared with what the pages hide: on a made-up site
// and on one built by a real site generator.
#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::marker;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

const std::string secret = "The vault code is written on the back of the third painting in "
                           "the long gallery upstairs";

// A page whose body tells the secret, its source beside it, a search index holding the
// secret's sentence, and files that say nothing of it.
void WriteSite(const TempFolder& work)
{
    work.write("site/index.html", "<html><body><h1>Guide</h1><p>" + secret + "</p></body></html>");
    work.write("site/_sources/index.txt", "Guide\n=====\n\n" + secret + "\n");
    work.write("site/search.json", "[{\"location\":\"index.html\",\"text\":\"" + secret + "\"}]");
    work.write("site/style.css", "body { color: #222; }");
    work.write("site/logo.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + secret);
}

std::vector<std::string> Excludes(const nlohmann::json& report)
{
    std::vector<std::string> found;
    for (const auto& leak : report["hidden_text_published"]) {
        found.push_back(leak["exclude"].get<std::string>());
    }
    return found;
}

// The password goes through the environment of the tool, which is this process's.
std::string Encrypted()
{
    setenv("QUORLANE_TEST_PASSWORD", "leak audit", 1);
    return " --encrypt --password-env QUORLANE_TEST_PASSWORD --kdf-iterations 100000 ";
}

} // namespace

// A clear copy publishes them with a warning each; an encrypted copy leaves them out and fails;
// what the user leaves out or publishes on purpose is not told.
TEST(LeakAudit, CopyTellsWhatGivesThePagesAway)
{
    TempFolder work;
    WriteSite(work);
    const std::string site = Quoted(work.path() / "site");
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --mode body --save copy --target " +
                      Quoted(work.path() / "clear") + " " + site),
              0)
        << cli.err();
    auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(Excludes(report), (std::vector<std::string>{"/search.json", "_sources/"}));
    EXPECT_EQ(report["hidden_text_published"][1]["pages"], 1);
    EXPECT_EQ(report["hidden_text_published"][1]["withheld"], false);
    EXPECT_EQ(report["hidden_text_published"][1]["first_page"],
              (work.path() / "site" / "index.html").string());
    EXPECT_TRUE(work.exists("clear/_sources/index.txt"));
    EXPECT_THAT(cli.err(), HasSubstr("leave it out with the exclude pattern '/search.json'"));

    ASSERT_EQ(cli.run("protect --json --mode body --save copy --target " +
                      Quoted(work.path() / "sealed") + Encrypted() + site),
              1)
        << cli.err();
    report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(Excludes(report), (std::vector<std::string>{"/search.json", "_sources/"}));
    EXPECT_EQ(report["hidden_text_published"][0]["withheld"], true);
    EXPECT_TRUE(work.read("sealed/index.html").ends_with(marker));
    EXPECT_FALSE(work.exists("sealed/_sources/index.txt"));
    EXPECT_FALSE(work.exists("sealed/search.json"));
    EXPECT_TRUE(work.exists("sealed/style.css"));
    EXPECT_TRUE(work.exists("sealed/logo.png"));

    ASSERT_EQ(cli.run("protect --json --mode body --save copy --target " +
                      Quoted(work.path() / "chosen") + Encrypted() +
                      "--exclude _sources/ --publish-anyway /search.json " + site),
              0)
        << cli.err();
    EXPECT_TRUE(Excludes(nlohmann::json::parse(cli.out())).empty());
    EXPECT_FALSE(work.exists("chosen/_sources"));
    EXPECT_TRUE(work.exists("chosen/search.json"));
}

// In overwrite mode the site's own files are only read: told, never removed; check tells the
// same before a run.
TEST(LeakAudit, OverwriteAndCheckTellTheSiteFilesThatGiveItAway)
{
    TempFolder work;
    WriteSite(work);
    const std::string site = Quoted(work.path() / "site");
    CliProcess cli;
    ASSERT_EQ(cli.run("check --json --mode body" + Encrypted() + site), 1) << cli.err();
    EXPECT_EQ(Excludes(nlohmann::json::parse(cli.out())),
              (std::vector<std::string>{"/search.json", "_sources/"}));
    ASSERT_EQ(cli.run("check --mode links " + site), 0) << cli.out();
    EXPECT_THAT(cli.out(), Not(HasSubstr("hidden-text-published")));

    ASSERT_EQ(
        cli.run("protect --json --mode body --save overwrite --no-backups" + Encrypted() + site), 1)
        << cli.err();
    EXPECT_EQ(Excludes(nlohmann::json::parse(cli.out())),
              (std::vector<std::string>{"/search.json", "_sources/"}));
    EXPECT_TRUE(work.read("site/index.html").ends_with(marker));
    EXPECT_TRUE(work.exists("site/_sources/index.txt"));
    EXPECT_TRUE(work.exists("site/search.json"));
}

// A documentation site as the generator builds it: the sources of the pages and the search
// index give every page away, and the patterns the audit suggests leave out exactly those.
TEST(LeakAudit, SiteOfARealGenerator)
{
    if (std::system("sphinx-build --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sphinx-build is not installed (tools/deps.sh test installs it)";
    }
    TempFolder work;
    work.write("src/conf.py", "project = 'Harbour'\nhtml_theme = 'alabaster'\n");
    // Pages of real prose: the project's own documents, as plain paragraphs.
    std::string index = "Harbour\n=======\n\n.. toctree::\n\n";
    for (const std::string topic : {"encrypted-pages", "run-record", "project-file"}) {
        index += "   " + topic + "\n";
        std::istringstream lines(quorlane::test::ReadBytes(fs::path(QUORLANE_EXAMPLES) / ".." /
                                                           "docs" / (topic + ".md")));
        std::string text = topic + "\n" + std::string(topic.size(), '=') + "\n\n";
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || std::string("#|`-> ").find(line[0]) == std::string::npos) {
                std::erase_if(line, [](char c) { return c == '`' || c == '*' || c == '_'; });
                text += line + "\n";
            }
        }
        work.write("src/" + topic + ".rst", text);
    }
    work.write("src/index.rst", index);
    CliProcess cli;
    const std::string build = "sphinx-build -q -b html " + Quoted(work.path() / "src") + " " +
                              Quoted(work.path() / "site") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0);
    ASSERT_TRUE(work.exists("site/searchindex.js"));

    const std::string site = Quoted(work.path() / "site");
    ASSERT_EQ(cli.run("protect --json --mode body --save copy --target " +
                      Quoted(work.path() / "out") + Encrypted() + site),
              1)
        << cli.err();
    auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(Excludes(report), (std::vector<std::string>{"/searchindex.js", "_sources/"}))
        << cli.out();
    EXPECT_GE(report["hidden_text_published"][0]["pages"], 3);
    EXPECT_GE(report["hidden_text_published"][1]["pages"], 3);

    ASSERT_EQ(cli.run("protect --json --mode body --save copy --target " +
                      Quoted(work.path() / "out2") + Encrypted() +
                      "--exclude _sources/ --exclude /searchindex.js " + site),
              0)
        << cli.err();
    EXPECT_TRUE(Excludes(nlohmann::json::parse(cli.out())).empty());
    EXPECT_TRUE(work.exists("out2/_static"));
    EXPECT_TRUE(work.read("out2/run-record.html").ends_with(marker));
}
