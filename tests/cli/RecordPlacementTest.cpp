// Where a run leaves its record and its backups: out of the tree that is published where it
// can, never with the machine's paths inside it, and found again by restore.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "tests/cli/RunCli.h"

using quorlane::test::CliProcess;
using quorlane::test::Quoted;
using quorlane::test::TempFolder;
using quorlane::test::TreeOf;
namespace fs = quorlane::test::fs;

namespace {

void writeSite(const TempFolder& work)
{
    work.write("site/index.html", "<html><body><p>front page</p></body></html>");
    work.write("site/docs/guide.html", "<html><body><p>the guide</p></body></html>");
    work.write("site/docs/deep/api.htm", "<html><body><p>the api</p></body></html>");
}

// The record that a run started in folder names, as the user would type it there.
std::string manifestOf(const CliProcess& cli, const fs::path& folder)
{
    const auto report = nlohmann::json::parse(cli.out());
    if (report["manifest"].is_null()) {
        return "";
    }
    const fs::path named = report["manifest"].get<std::string>();
    return named.is_absolute() ? named.string() : (folder / named).string();
}

std::vector<fs::path> filesNamedLike(const fs::path& root, const std::string& part)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().filename().string().find(part) != std::string::npos) {
            found.push_back(entry.path());
        }
    }
    return found;
}

} // namespace

// In every save mode the record lies where the table of the documentation says; one that lies
// in a tree that is published (the site itself, in overwrite and create-new modes) names no
// path of the machine; and restore, from wherever it lies, puts everything back.
TEST(RecordPlacement, EverySaveModePutsItWhereItIsNotPublishedOrNamesNoMachinePath)
{
    struct Mode
    {
        const char* name;
        std::string options;
        const char* recordFolder; // below the work folder
        bool inPublishedTree;
    };
    const Mode modes[] = {
        {"new", "--save new", "site", true},
        {"overwrite", "--save overwrite", "site", true},
        {"copy", "--save copy --target out", "", false},
        {"copy into a new folder", "--save copy --target deploy/v2/out", "", false},
        {"overwrite, backup folder", "--save overwrite --backup-dir kept", "kept", false},
    };
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        TempFolder work;
        writeSite(work);
        const auto before = TreeOf(work.path());
        CliProcess cli;
        ASSERT_EQ(cli.run("protect --json --jobs 2 " + mode.options + " site", work.str()), 0)
            << cli.err();
        const fs::path manifest = manifestOf(cli, work.path());
        ASSERT_TRUE(fs::exists(manifest)) << cli.out();
        EXPECT_EQ(manifest.parent_path(),
                  *mode.recordFolder ? work.path() / mode.recordFolder : work.path());
        // Nothing of the run's record stands in the target of a copy.
        if (fs::exists(work.path() / "out")) {
            EXPECT_TRUE(filesNamedLike(work.path() / "out", ".quorlane-run").empty());
        }
        const std::string record = work.read(fs::relative(manifest, work.path()).string());
        if (mode.inPublishedTree) {
            EXPECT_EQ(record.find(work.str()), std::string::npos) << record;
            EXPECT_EQ(record.find("\"/"), std::string::npos) << record;
        }
        ASSERT_EQ(cli.run("restore " + Quoted(manifest.string())), 0) << cli.err();
        // The backup folder is the user's, and stays, empty.
        if (fs::exists(work.path() / "kept")) {
            EXPECT_TRUE(fs::is_empty(work.path() / "kept"));
            fs::remove(work.path() / "kept");
        }
        EXPECT_EQ(TreeOf(work.path()), before);
    }
}

// --manifest puts the record anywhere: inside the site it names the run's folder by ".." steps,
// elsewhere by its path; either way restore finds the pages. A record moved with its site acts
// on the site it is found in.
TEST(RecordPlacement, ManifestPutsItAnywhere)
{
    TempFolder work;
    writeSite(work);
    fs::create_directories(work.path() / "records");
    const auto before = TreeOf(work.path());
    CliProcess cli;
    for (const std::string place : {"site/docs/deep/run.json", "records/run.json"}) {
        SCOPED_TRACE(place);
        ASSERT_EQ(
            cli.run("protect --json --save overwrite --manifest " + place + " site", work.str()), 0)
            << cli.err();
        EXPECT_EQ(fs::path(manifestOf(cli, work.path())), work.path() / place);
        const std::string record = work.read(place);
        const bool inSite = place.starts_with("site/");
        EXPECT_EQ(record.find(work.str()) == std::string::npos, inSite) << record;
        EXPECT_NE(record.find(inSite ? "\"tree\":\"../..\"" : "\"tree\":\"/"), std::string::npos);
        ASSERT_EQ(cli.run("restore " + place, work.str()), 0) << cli.err();
        EXPECT_EQ(TreeOf(work.path()), before);
    }

    // A copy of the site, record and all: its restore undoes the copy, not the original.
    ASSERT_EQ(cli.run("protect --json --manifest site/run.json site", work.str()), 0);
    fs::copy(work.path() / "site", work.path() / "copy", fs::copy_options::recursive);
    const auto protectedSite = TreeOf(work.path() / "site");
    ASSERT_EQ(cli.run("restore copy/run.json", work.str()), 0) << cli.err();
    EXPECT_EQ(TreeOf(work.path() / "site"), protectedSite);
    EXPECT_FALSE(fs::exists(work.path() / "copy" / "protected_index.html"));
    EXPECT_TRUE(fs::exists(work.path() / "site" / "protected_index.html"));

    // A file that stands at the --manifest path is never written over: the run stops first.
    work.write("records/taken.json", "mine");
    EXPECT_NE(cli.run("protect --save overwrite --manifest records/taken.json site", work.str()),
              0);
    EXPECT_EQ(work.read("records/taken.json"), "mine");
    EXPECT_THAT(cli.err(), HasSubstr("taken.json"));
    EXPECT_EQ(work.read("site/index.html"), "<html><body><p>front page</p></body></html>");
}

// --no-manifest leaves no record anywhere, and says that the run cannot be undone.
TEST(RecordPlacement, NoManifestKeepsNoneAndWarns)
{
    TempFolder work;
    writeSite(work);
    CliProcess cli;
    ASSERT_EQ(cli.run("protect --json --save copy --target out --no-manifest site", work.str()), 0)
        << cli.err();
    EXPECT_EQ(manifestOf(cli, work.path()), "");
    EXPECT_THAT(cli.err(), HasSubstr("cannot be undone"));
    EXPECT_TRUE(filesNamedLike(work.path(), ".quorlane-run").empty());
    EXPECT_TRUE(fs::exists(work.path() / "out" / "docs" / "deep" / "api.htm"));
    EXPECT_EQ(cli.run("protect --manifest x.json --no-manifest site", work.str()), 2);
}

// With --backup-dir, no clear page stays in the site: each backup lies at its page's path below
// the folder, with the record; restore puts every page back from there, and the folders the run
// made there go again. A file of the user's at a backup's place is never replaced.
TEST(BackupDir, ProtectAndRestoreWithRealFiles)
{
    TempFolder work;
    writeSite(work);
    work.write("kept/docs/guide.html", "the user's own file");
    chmod((work.path() / "site/docs/guide.html").c_str(), 0640);
    const auto before = TreeOf(work.path());
    CliProcess cli;
    EXPECT_EQ(cli.run("protect --json --save overwrite --backup-dir ../kept .",
                      (work.path() / "site").string()),
              1);
    const auto report = nlohmann::json::parse(cli.out());
    EXPECT_EQ(report["backups_in_site"], 0);
    EXPECT_THAT(cli.err(), HasSubstr((work.path() / "kept/docs/guide.html").string()));
    EXPECT_EQ(work.read("kept/docs/guide.html"), "the user's own file");
    EXPECT_EQ(work.read("site/docs/guide.html"), "<html><body><p>the guide</p></body></html>");
    EXPECT_TRUE(filesNamedLike(work.path() / "site", ".bak").empty());
    EXPECT_TRUE(filesNamedLike(work.path() / "site", ".quorlane-run").empty());
    EXPECT_EQ(work.read("kept/index.html"), "<html><body><p>front page</p></body></html>");
    EXPECT_EQ(work.read("kept/docs/deep/api.htm"), "<html><body><p>the api</p></body></html>");
    EXPECT_THAT(work.read("site/docs/deep/api.htm"), HasSubstr("protected by Quorlane"));
    const std::string manifest = manifestOf(cli, work.path() / "site");
    EXPECT_EQ(fs::path(manifest).parent_path(), work.path() / "kept");

    ASSERT_EQ(cli.run("restore " + Quoted(manifest)), 0) << cli.err();
    EXPECT_EQ(TreeOf(work.path()), before);
    EXPECT_EQ(work.read("kept/docs/guide.html"), "the user's own file");
    EXPECT_EQ(fs::status(work.path() / "site/docs/guide.html").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A backup folder in the site, or one that holds it, is refused before anything is written.
    for (const char* dir : {"site/backups", "."}) {
        SCOPED_TRACE(dir);
        EXPECT_EQ(cli.run(std::string("protect --save overwrite --backup-dir ") + dir + " site",
                          work.str()),
                  2);
        EXPECT_THAT(cli.err(), HasSubstr("lie one inside the other"));
        EXPECT_EQ(TreeOf(work.path()), before);
    }
    EXPECT_EQ(cli.run("protect --save new --backup-dir kept site", work.str()), 2);
}

// Backups beside their pages are told of: by the run's summary, in text and JSON, and by check,
// which counts the pages a run would back up. With a backup folder, neither says a word.
TEST(BackupDir, BackupsLeftInTheSiteAreTold)
{
    TempFolder work;
    writeSite(work);
    CliProcess cli;
    ASSERT_EQ(cli.run("check --json --save overwrite site", work.str()), 4) << cli.err();
    const auto checked = nlohmann::json::parse(cli.out());
    bool found = false;
    for (const auto& finding : checked["findings"]) {
        if (finding["code"] == "backups-in-site") {
            found = true;
            EXPECT_EQ(finding["count"], 3);
            EXPECT_EQ(finding["severity"], "warning");
        }
    }
    EXPECT_TRUE(found) << cli.out();
    ASSERT_EQ(cli.run("check --save overwrite --backup-dir kept site", work.str()), 0);
    EXPECT_THAT(cli.out(), Not(HasSubstr("backups-in-site")));

    ASSERT_EQ(cli.run("protect --save overwrite site/index.html site/docs", work.str()), 0);
    EXPECT_THAT(cli.out(), HasSubstr("3 backups inside the site"));
    EXPECT_THAT(cli.out(), HasSubstr("published with it"));
    work.write("site/new.html", "<p>new</p>");
    ASSERT_EQ(cli.run("protect --json --save overwrite site", work.str()), 0);
    EXPECT_EQ(nlohmann::json::parse(cli.out())["backups_in_site"], 1);
}
