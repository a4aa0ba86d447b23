// quorlane-cli check over pages made to show each finding, and over the sample site.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::marker;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
namespace fs = quorlane::test::fs;

namespace {

// "code@line" for every finding of the first page of a check's JSON document.
std::vector<std::string> findingsOf(const std::string& out)
{
    std::vector<std::string> found;
    const auto report = nlohmann::json::parse(out);
    for (const auto& finding : report["pages"][0]["findings"]) {
        found.push_back(finding["code"].get<std::string>() + "@" +
                        std::to_string(finding["line"].get<int>()));
    }
    return found;
}

} // namespace

TEST(CheckCommand, FindsWhatEachKindOfPageBreaks)
{
    const std::tuple<const char*, std::string, const char*, std::vector<std::string>> pages[] = {
        {"csp.html",
         "<html>\n<head>\n<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
         "'self'\">\n</head><body>x</body></html>",
         "whole",
         {"csp-inline@3", "csp-eval@3"}},
        {"csp-nonce.html",
         "<meta http-equiv='content-security-policy' content=\"img-src *; script-src 'nonce-r4nd' "
         "'unsafe-inline' 'unsafe-eval'\">",
         "body",
         {"csp-inline@1"}},
        {"csp-open.html",
         "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'self' "
         "'unsafe-inline' 'unsafe-eval'\"><p>x</p>",
         "whole",
         {}},
        {"encoding.html",
         "<html>\n<meta charset=\"euc-kr\">\n<p>\xFF\xFF</p></html>",
         "whole",
         {"encoding-fallback@2"}},
        {"frames.html",
         "<frameset>\n<frame src=\"local.html\">\n<frame src=\"https://other.example/\">"
         "<frame src=\"//cdn.example/x.html\"></frameset>",
         "whole",
         {"frame-other-host@3"}},
        {"protected.html", "<p>x</p>" + marker, "whole", {"already-protected@1"}},
        {"written-link.html",
         "<p><a href=\"plain.html\">plain</a></p>\n<script>\ndocument.write('<a "
         "href=\"written.html\">written</a>');\n</script>",
         "links",
         {"script-written-links@3"}},
        {"written-mail.html",
         "<script>el.innerHTML = '<a href=\"mailto:a@b.example\">mail</a>';</script><script>var "
         "quiet = 'mailto:c@d.example';</script>",
         "email",
         {"script-written-links@1"}},
    };
    for (const auto& [name, bytes, mode, expected] : pages) {
        SCOPED_TRACE(name);
        TempFolder site;
        site.write(name, bytes);
        if (std::string(name) == "frames.html") {
            site.write("local.html", "<p>local</p>");
        }
        CliProcess cli;
        const int status =
            cli.run(std::string("check --json --mode ") + mode + " " + Quoted(site.path() / name));
        EXPECT_EQ(status, expected.empty() ? 0 : 4) << cli.err();
        EXPECT_EQ(findingsOf(cli.out()), expected);
    }

    TempFolder site;
    site.write("huge.html", "<p>");
    fs::resize_file(site.path() / "huge.html", 50ull * 1024 * 1024 + 1);
    CliProcess cli;
    EXPECT_EQ(cli.run("check --json " + Quoted(site.path() / "huge.html")), 4);
    EXPECT_EQ(findingsOf(cli.out()), std::vector<std::string>{"page-too-large@1"});
}

// The sample site: only its frameset's frame on another host, and the note of the run; and
// nothing on the disk is touched, in any save mode.
TEST(CheckCommand, TheSampleSiteHasNoFindingButItsOuterFrameAndWritesNothing)
{
    TempFolder work;
    fs::copy(QUORLANE_EXAMPLES "/site", work.path() / "site", fs::copy_options::recursive);
    const auto before = quorlane::test::TreeOf(work.path());
    CliProcess cli;
    for (const std::string options : {"--mode whole", "--mode links --save overwrite",
                                      "--mode email --save copy --target out"}) {
        SCOPED_TRACE(options);
        EXPECT_EQ(cli.run("check --json " + options + " site", work.str()), 4) << cli.err();
        const auto report = nlohmann::json::parse(cli.out());
        EXPECT_EQ(report["totals"]["pages"], 13);
        for (const auto& page : report["pages"]) {
            const std::string name = page["page"];
            for (const auto& finding : page["findings"]) {
                EXPECT_EQ(name + " " + finding["code"].get<std::string>(),
                          "site/frames.html frame-other-host");
            }
        }
        // Overwrite would leave a backup of each page in the site.
        const bool overwrite = options.find("overwrite") != std::string::npos;
        EXPECT_EQ(report["totals"]["warnings"], overwrite ? 2 : 1);
        EXPECT_EQ(report["findings"].size(),
                  options == "--mode email --save copy --target out" ? 0u : 1u);
        if (overwrite) {
            EXPECT_EQ(report["findings"][0]["code"], "backups-in-site");
            EXPECT_EQ(report["findings"][0]["count"], 13);
        }
        EXPECT_EQ(quorlane::test::TreeOf(work.path()), before);
    }
    EXPECT_EQ(cli.run("check --mode links --save copy site", work.str()), 2);
}

// protect tells the same warnings as it goes, and in its JSON document.
TEST(CheckCommand, ProtectTellsTheSameWarnings)
{
    TempFolder site;
    site.write("csp.html", "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src "
                           "'self'\"><p>x</p>");
    CliProcess cli;
    EXPECT_EQ(cli.run("protect --json " + Quoted(site.path())), 0);
    EXPECT_THAT(cli.err(), HasSubstr("\n" + (site.path() / "csp.html").string() +
                                     ":1: warning: Its Content-Security-Policy meta element"));
    const auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(report["pages"][0]["findings"][0]["code"], "csp-inline");
    EXPECT_EQ(report["pages"][0]["findings"][0]["file"], (site.path() / "csp.html").string());
    EXPECT_EQ(report["findings"][0]["code"], "noscript-notice-only");
}

// The switches that shut visitors out are warnings of the run as a whole, in words and in JSON,
// and only when they are on.
TEST(CheckCommand, WarnsOfSwitchesThatShutVisitorsOut)
{
    TempFolder site;
    site.write("a.html", "<p>a</p>");
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--enable no-right-click,block-opera", {}},
        {"--enable block-netscape", {"gecko-turned-away"}},
        {"--enable no-offline --enable block-netscape", {"gecko-turned-away", "offline-blank"}},
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options);
        CliProcess cli;
        const std::string command =
            std::string("check --mode links ") + options + " " + Quoted(site.path());
        EXPECT_EQ(cli.run(command + " --json"), expected.empty() ? 0 : 4) << cli.err();
        const auto report = nlohmann::json::parse(cli.out());
        std::vector<std::string> codes;
        for (const auto& finding : report["findings"]) {
            EXPECT_EQ(finding["severity"], "warning");
            codes.push_back(finding["code"]);
        }
        EXPECT_EQ(codes, expected);
        cli.run(command);
        for (const std::string& code : expected) {
            // A finding of the run as a whole: the program's own, with no file and no line.
            const std::size_t end = cli.err().find(" [" + code + "]\n");
            ASSERT_NE(end, std::string::npos) << cli.err();
            const std::size_t start = cli.err().rfind('\n', end) + 1;
            EXPECT_THAT(cli.err().substr(start, end - start),
                        testing::StartsWith("quorlane-cli: warning: "));
        }
    }
}
