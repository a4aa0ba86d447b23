// One form for every finding, wherever it is told: "FILE:LINE: SEVERITY: MESSAGE [code]" on
// standard error and {"file", "line", "severity", "code", "message"} in JSON; and paths as the
// user would type them.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

const std::string cspPage = "<html>\n<meta http-equiv=\"Content-Security-Policy\" "
                            "content=\"script-src 'self' 'unsafe-eval'\">\n<p>x</p></html>";
const std::string cspLine =
    "site/sub/csp.html:2: warning: Its Content-Security-Policy meta element (\"script-src "
    "'self' 'unsafe-eval'\") does not allow inline scripts: the browser refuses the protection's "
    "scripts, and the page stays blank. [csp-inline]\n";
const std::string noteLine = "quorlane-cli: note: In whole and body mode, search engines and "
                             "visitors without scripts see only the notice, not the pages. "
                             "[noscript-notice-only]\n";

void writeSite(const TempFolder& work)
{
    work.write("site/a.html", "<p>a</p>");
    work.write("site/sub/csp.html", cspPage);
}

// The lines of text that hold part.
std::vector<std::string> linesWith(const std::string& text, const std::string& part)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (line.find(part) != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The findings of a JSON document, those of its pages first.
std::vector<nlohmann::json> findingsOf(const std::string& document)
{
    const auto report = nlohmann::json::parse(document);
    std::vector<nlohmann::json> findings;
    for (const auto& page : report["pages"]) {
        for (const auto& finding : page.value("findings", nlohmann::json::array())) {
            findings.push_back(finding);
        }
    }
    for (const auto& finding : report["findings"]) {
        findings.push_back(finding);
    }
    return findings;
}

} // namespace

// check, a dry run and protect tell a finding in the same line and the same JSON object, with
// the page below the current folder as it was typed; a note has no file and no line.
TEST(Diagnostics, CheckDryRunAndProtectTellAFindingAlike)
{
    TempFolder work;
    writeSite(work);
    CliProcess cli;
    ASSERT_EQ(cli.run("check site", work.str()), 4) << cli.err();
    EXPECT_EQ(linesWith(cli.err(), "[csp-inline]"),
              std::vector{cspLine.substr(0, cspLine.size() - 1)});
    EXPECT_THAT(cli.err(), HasSubstr(noteLine));
    EXPECT_EQ(cli.out(), "Checked 2 pages: 1 warning on 1 page, 1 note\n");

    ASSERT_EQ(cli.run("protect -n site", work.str()), 0) << cli.err();
    EXPECT_THAT(cli.err(), HasSubstr(cspLine));
    EXPECT_THAT(cli.out(), Not(HasSubstr("csp-inline")));
    ASSERT_EQ(cli.run("protect -v --no-manifest site", work.str()), 0) << cli.err();
    EXPECT_THAT(cli.err(), HasSubstr(cspLine));
    EXPECT_THAT(cli.err(), HasSubstr(noteLine));

    const nlohmann::json csp = {{"file", "site/sub/csp.html"},
                                {"line", 2},
                                {"severity", "warning"},
                                {"code", "csp-inline"}};
    const nlohmann::json note = {{"file", nullptr},
                                 {"line", nullptr},
                                 {"severity", "note"},
                                 {"code", "noscript-notice-only"}};
    for (const std::string command : {"check --json site", "protect -n --json site",
                                      "protect --json --save overwrite --no-manifest site"}) {
        SCOPED_TRACE(command);
        TempFolder fresh;
        writeSite(fresh);
        cli.run(command, fresh.str());
        std::vector<nlohmann::json> found = findingsOf(cli.out());
        ASSERT_EQ(found.size(), 2u) << cli.out();
        EXPECT_THAT(found[0]["message"].get<std::string>(),
                    testing::StartsWith("Its Content-Security-Policy meta element"));
        for (auto& finding : found) {
            finding.erase("message");
            finding.erase("count");
        }
        EXPECT_EQ(found, (std::vector{csp, note}));
    }
}

// A page outside the current folder is named in full, in the diagnostic and in JSON; pages below
// an added folder are listed by their whole path, never from the folder as "/a.html".
TEST(Diagnostics, PathsAreAsTheUserWouldTypeThem)
{
    TempFolder work;
    writeSite(work);
    fs::create_directory(work.path() / "elsewhere");
    const std::string whole = fs::canonical(work.path()).string() + "/site/sub/csp.html";
    CliProcess cli;
    ASSERT_EQ(cli.run("check --json ../site/sub/csp.html", work.path() / "elsewhere"), 4);
    EXPECT_EQ(nlohmann::json::parse(cli.out())["pages"][0]["page"], whole);
    cli.run("check ../site/sub/csp.html", work.path() / "elsewhere");
    EXPECT_THAT(cli.err(), HasSubstr(whole + ":2: warning: "));

    ASSERT_EQ(cli.run("protect --json --save copy -o out --no-manifest site", work.str()), 0);
    const auto report = nlohmann::json::parse(cli.out());
    const nlohmann::json copies = {
        {"folder", "out"}, {"pages", {{{"page", "out/a.html"}}, {{"page", "out/sub/csp.html"}}}}};
    EXPECT_EQ(report["results"], nlohmann::json::array({copies}));
    EXPECT_EQ(report["pages"][1]["page"], "site/sub/csp.html");
    EXPECT_EQ(report["pages"][1]["output"], "out/sub/csp.html");
    EXPECT_EQ(report["outcome"], "ok");
    ASSERT_EQ(cli.run("protect --save overwrite --no-backups --no-manifest site", work.str()), 0)
        << cli.err();
    EXPECT_THAT(cli.out(), testing::StartsWith("site\n    site/a.html\n    site/sub/csp.html\n"));
}
