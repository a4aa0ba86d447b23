#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/RunCli.h"

using namespace quorlane;
using test::CliProcess;
using test::Outcome;
using test::RunCli;
using test::TempFolder;
namespace fs = test::fs;

namespace {

const std::string cspPage = "<html><head><meta http-equiv=\"Content-Security-Policy\" "
                            "content=\"script-src 'self'\"></head><body>x</body></html>";

std::vector<fs::path> filesBelow(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The paths that a dry run's listing names after the given action.
std::vector<std::string> named(const std::string& listing, const std::string& action)
{
    std::vector<std::string> paths;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(action)) {
            paths.push_back(line.substr(line.find_first_not_of(' ', action.size())));
        }
    }
    return paths;
}

} // namespace

// A dry run writes nothing, and names the very files that the run then writes, replaces and
// backs up, the pages it skips, and the findings below their pages.
TEST(DryRun, NamesWhatTheRunDoesAndWritesNothing)
{
    for (const std::string save : {"new", "overwrite", "copy"}) {
        SCOPED_TRACE(save);
        TempFolder site;
        site.write("site/a.html", "<p>a</p>");
        site.write("site/sub/csp.html", cspPage);
        site.write("site/done.html", "<p>d</p>" + test::marker);
        const std::string folder = (site.path() / "site").string();
        const std::string target = (site.path() / "out").string();
        std::vector<std::string> args = {"protect", "--save", save, folder};
        if (save == "copy") {
            args.insert(args.end(), {"-o", target});
        }
        const std::vector<fs::path> before = filesBelow(site.path());
        std::vector<std::string> dry = args;
        dry.push_back("-n");
        const Outcome listed = RunCli(dry);
        ASSERT_EQ(listed.status, cli::exitOk) << listed.err;
        EXPECT_EQ(filesBelow(site.path()), before);
        EXPECT_THAT(listed.err, HasSubstr("csp.html:1: warning: Its Content-Security-Policy"));
        EXPECT_THAT(listed.err, HasSubstr("[csp-inline]\n"));
        EXPECT_THAT(listed.out, Not(HasSubstr("csp-inline")));
        EXPECT_THAT(listed.out, testing::EndsWith("Dry run: nothing was written\n"));
        EXPECT_EQ(named(listed.out, "skip").size(), 1u);

        const std::vector<std::string> written = named(listed.out, "write");
        const std::vector<std::string> replaced = named(listed.out, "replace");
        const std::vector<std::string> backups = named(listed.out, "back up");
        EXPECT_EQ(written.size() + replaced.size(), 2u);
        EXPECT_EQ(backups.size(), save == "overwrite" ? 2u : 0u);
        ASSERT_EQ(RunCli(args).status, cli::exitOk);
        for (const auto* paths : {&written, &backups}) {
            for (const std::string& path : *paths) {
                EXPECT_TRUE(fs::exists(path)) << path;
            }
        }
        for (const std::string& path : replaced) {
            std::ifstream file(path, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file), {}};
            EXPECT_TRUE(bytes.ends_with(test::marker)) << path;
        }
    }
}

// --fail-on warning stops a run with warnings before anything is written, with status 4 and the
// findings as check tells them, --quiet or not; --fail-on error lets warnings pass and stops on a
// page that cannot be read.
TEST(DryRun, FailOnStopsTheRunBeforeAnythingIsWritten)
{
    TempFolder site;
    const std::string page = site.write("csp.html", cspPage).string();
    const std::vector<fs::path> before = filesBelow(site.path());
    const Outcome stopped = RunCli({"protect", "--fail-on", "warning", page});
    EXPECT_EQ(stopped.status, cli::exitWarnings);
    EXPECT_THAT(stopped.err, HasSubstr("[csp-inline]\n"));
    EXPECT_THAT(stopped.err, HasSubstr("--fail-on warning"));
    EXPECT_EQ(filesBelow(site.path()), before);
    EXPECT_EQ(RunCli({"protect", "-n", "--fail-on", "warning", page}).status, cli::exitWarnings);
    // What stops the run is its failure: told under --quiet too.
    EXPECT_THAT(RunCli({"protect", "-q", "--fail-on", "warning", page}).err,
                HasSubstr("[csp-inline]\n"));

    const Outcome passed = RunCli({"protect", "--fail-on", "error", "--no-manifest", page});
    EXPECT_EQ(passed.status, cli::exitOk) << passed.err;
    EXPECT_TRUE(site.exists("protected_csp.html"));
    const std::string missing = (site.path() / "missing.html").string();
    EXPECT_EQ(RunCli({"protect", "--fail-on", "error", page, missing}).status, cli::exitWarnings);
    EXPECT_EQ(RunCli({"protect", "--fail-on", "never", page}).status, cli::exitUsage);
}

// A project's fail_on stops protect as --fail-on does; --fail-on given wins over it, and
// --save-project keeps it.
TEST(DryRun, FailOnIsAKeyOfProjectFiles)
{
    TempFolder work;
    work.write("site/csp.html", cspPage);
    work.write("strict.json",
               R"({"version": 1, "pages": [{"folder": "site"}], "fail_on": "warning"})");
    const auto before = test::TreeOf(work.path());
    CliProcess cli;
    EXPECT_EQ(cli.run("protect --project strict.json", work.str()), 4) << cli.err();
    EXPECT_THAT(cli.err(), HasSubstr("the project's fail_on warning: the findings stop the run"));
    EXPECT_EQ(test::TreeOf(work.path()), before);

    cli.run("check --project strict.json --save-project kept.json", work.str());
    EXPECT_EQ(nlohmann::json::parse(work.read("kept.json"))["fail_on"], "warning");

    EXPECT_EQ(cli.run("protect --project strict.json --fail-on error --no-manifest "
                      "--save-project lax.json",
                      work.str()),
              0)
        << cli.err();
    EXPECT_TRUE(work.exists("site/protected_csp.html"));
    EXPECT_EQ(nlohmann::json::parse(work.read("lax.json"))["fail_on"], "error");
}
