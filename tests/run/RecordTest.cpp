// The record of a run: written ahead of the pages, stopping the run when it cannot be written,
// and trusted by an undo only as far as it checks out.
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/Utf8.h"
#include "files/Sha256.h"
#include "run/ProtectionRun.h"
#include "run/Restore.h"
#include "run/RunJournal.h"
#include "tests/run/FakeHost.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::PathString;
using test::FakeHost;
using test::FaultyFileSystem;
using test::TempFolder;
namespace fs = test::fs;

namespace {

// Lines of a record as a run writes them: each JSON text, a tab, and its chained checksum.
std::string recordOf(const std::vector<std::string>& lines)
{
    std::string sum;
    std::string text;
    for (const std::string& json : lines) {
        sum = files::Sha256Hex(sum + json);
        text += json + "\t" + sum + "\n";
    }
    return text;
}

std::string header(const std::string& save)
{
    return R"({"format":"quorlane-run","version":2,"started":"2026-01-01T00:00:00","folder":"/x",)"
           R"("settings":{"mode":"whole","save":")" +
           save +
           R"(","backups":true,"switches":[],"warning":null,"domain_lock":null,"url_lock":null,)"
           R"("password":false,"encrypt":false,"notice":null}})";
}

// The same header in version 3, naming the run's folders with roots ("tree":..., ...).
std::string header3(const std::string& save, const std::string& roots)
{
    std::string text = header(save);
    text.replace(text.find(R"("version":2)"), 11, R"("version":3)");
    const std::string folder = R"("folder":"/x")";
    text.replace(text.find(folder), folder.size(), roots);
    return text;
}

// A page entry that, were it trusted, would have output replaced by backup (Overwrite) or
// removed (the other modes): its digests are those of the files as they stand.
std::string pageEntry(const std::string& output, const std::string& backup,
                      const std::string& outputBytes, const std::string& backupBytes)
{
    const std::string backupJson = backup.empty() ? "null" : "\"" + backup + "\"";
    return R"({"op":"page","n":0,"source":"a.htm","output":")" + output + R"(","backup":)" +
           backupJson + R"(,"source_size":1,"source_sha256":")" + files::Sha256Hex(backupBytes) +
           R"(","output_size":1,"output_sha256":")" + files::Sha256Hex(outputBytes) +
           R"(","replaced_earlier_file":false})";
}

struct Work
{
    TempFolder root;
    fs::path site = root.path() / "site";
    fs::path victim = root.path() / "victim";
    Work()
    {
        root.write("site/a.htm", "<p>protected a</p>");
        root.write("site/evil.bak", "evil");
        root.write("victim/config", "config");
        root.write("victim/config.bak", "evil");
        root.write("victim/notes.txt", "notes");
        fs::create_directories(victim / "empty");
        fs::create_directory_symlink(victim, site / "link");
    }
};

run::RestoreReport restore(const fs::path& record, bool dryRun = false)
{
    files::RealFileSystem fileSystem;
    return run::RestoreRun(fileSystem, record.native(), dryRun);
}

std::vector<PathString> recordsIn(const fs::path& folder)
{
    std::vector<PathString> records;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".quorlane-run-")) {
            records.push_back(entry.path().native());
        }
    }
    return records;
}

} // namespace

// A record that names anything but the run's own files, or does not match its checksums, is
// refused whole, with the entry named, and nothing at all is touched.
TEST(Record, AnUntrustworthyRecordIsRefusedBeforeAnythingIsTouched)
{
    const std::string victim = "VICTIM";
    struct Case
    {
        const char* name;
        std::string record;
        std::string named; // in the refusal
    };
    const auto overwrite = [&](const std::string& output, const std::string& backup) {
        return recordOf({header("overwrite"), pageEntry(output, backup, "config", "evil")});
    };
    std::string edited = recordOf(
        {header("overwrite"), pageEntry("a.htm", "a.htm.bak", "<p>protected a</p>", "evil")});
    edited.replace(edited.find("a.htm.bak"), 9, "a.htm.BAK");
    const Case cases[] = {
        {"climbing", overwrite("../victim/config", "../victim/config.bak"),
         "page 1: its output ../victim/config lies outside"},
        {"climbing inside", overwrite("sub/../../victim/config", "sub/../../victim/config.bak"),
         "page 1: its output sub/../../victim/config lies outside"},
        {"absolute", overwrite(victim + "/config", victim + "/config.bak"), "page 1: its output /"},
        {"link swapped in", overwrite("link/config", "link/config.bak"),
         "page 1: its output link/config lies outside"},
        {"foreign backup",
         recordOf(
             {header("overwrite"), pageEntry("a.htm", "evil.bak", "<p>protected a</p>", "evil")}),
         "page 1: its backup evil.bak is not the backup of its output a.htm"},
        {"removal outside",
         recordOf({header("new"), pageEntry("../victim/notes.txt", "", "notes", "")}),
         "page 1: its output ../victim/notes.txt lies outside"},
        {"folder outside", recordOf({header("new"), R"({"op":"folder","path":"../victim/empty"})"}),
         "the created folder ../victim/empty lies outside"},
        {"edited", edited, "line 2 does not match its checksum"},
        {"run's folder up and down",
         recordOf(
             {header3("new", R"("tree":"../victim")"), pageEntry("notes.txt", "", "notes", "")}),
         "its folders are named neither"},
        {"climbing from the run's folder",
         recordOf({header3("overwrite", R"("tree":".")"),
                   pageEntry("../victim/config", "../victim/config.bak", "config", "evil")}),
         "page 1: its output ../victim/config lies outside"},
        {"backup folder, a backup not at its page's place",
         recordOf({header3("overwrite", R"("tree":".","backups":"VICTIM")"),
                   pageEntry("a.htm", "config", "<p>protected a</p>", "config")}),
         "page 1: its backup config is not the backup of its output a.htm"},
        {"backup folder, a backup beside its page",
         recordOf({header3("overwrite", R"("tree":".","backups":"VICTIM")"),
                   pageEntry("a.htm", "a.htm.bak", "<p>protected a</p>", "evil")}),
         "page 1: its backup a.htm.bak is not the backup"},
        {"backup folder, a folder of it climbing",
         recordOf({header3("overwrite", R"("tree":".","backups":"VICTIM")"),
                   R"({"op":"folder","path":"../site","in":"backups"})"}),
         "the created folder ../site lies outside"},
        {"first version, elsewhere",
         R"({"format":"quorlane-run","version":1,"started":"2026-01-01T00:00:00","complete":true,)"
         R"("settings":{"mode":"whole","save":"new","backups":false,"switches":[],"warning":null,)"
         R"("domain_lock":null,"url_lock":null,"password":false,"notice":null},)"
         R"("created_folders":[],"pages":[{"source":"VICTIM/notes.txt","output":"VICTIM/notes.txt",)"
         R"("backup":null,"source_size":5,"source_sha256":"","output_size":5,"output_sha256":")" +
             files::Sha256Hex("notes") + R"(","replaced_earlier_file":false}]})",
         "page 1: its output /"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Work work;
        std::string text = test.record;
        for (std::size_t at = text.find(victim); at != std::string::npos; at = text.find(victim)) {
            text.replace(at, victim.size(), work.victim.string());
        }
        if (text.find("\t") != std::string::npos && std::string(test.name) != "edited") {
            // The paths put in change the lines: their checksums are made again.
            std::vector<std::string> lines;
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = text.find('\n', at);
                lines.push_back(text.substr(at, text.find('\t', at) - at));
                at = end + 1;
            }
            text = recordOf(lines);
        }
        const fs::path record = work.root.write("site/.quorlane-run-20260101-000000.json", text);
        const auto before = test::TreeOf(work.root.path());
        for (const bool dryRun : {true, false}) {
            const run::RestoreReport report = restore(record, dryRun);
            ASSERT_TRUE(report.refusal);
            EXPECT_NE(report.refusal->detail.find(test.named), std::string::npos)
                << report.refusal->detail;
            EXPECT_TRUE(report.steps.empty());
        }
        EXPECT_EQ(test::TreeOf(work.root.path()), before);
    }
}

// A record whose last line was cut short by a kill reads without that line; a record of the
// first version whose paths lie in its own folder still undoes its run.
TEST(Record, ACutLastLineAndAnOlderRecordStillRestore)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>");
    const auto before = test::TreeOf(site.path());
    files::RealFileSystem fileSystem;
    FakeHost host;
    core::ProtectionSettings settings;
    settings.saveMode = core::SaveMode::Overwrite;
    const run::RunSummary summary =
        run::ProtectionRun(host, fileSystem).RunProtection({{site.str(), true}}, settings);
    ASSERT_EQ(host.recorded().size(), 2u);
    const fs::path record = summary.manifest;
    std::ofstream(record, std::ios::app | std::ios::binary) << R"({"op":"page","n":2,"sou)";
    EXPECT_TRUE(restore(record).complete);
    EXPECT_EQ(test::TreeOf(site.path()), before);

    // What a run of the first version wrote, with its absolute paths.
    const std::string page = site.read("a.htm");
    site.write("a.htm.bak", page);
    site.write("a.htm", "<p>protected a</p>");
    const fs::path older = site.write(
        ".quorlane-run-20250101-000000.json",
        R"({"format":"quorlane-run","version":1,"started":"2025-01-01T00:00:00","complete":true,)"
        R"("settings":{"mode":"whole","save":"overwrite","backups":true,"switches":[],)"
        R"("warning":null,"domain_lock":null,"url_lock":null,"password":false,"notice":null},)"
        R"("created_folders":[],"pages":[{"source":")" +
            site.str() + R"(/a.htm","output":")" + site.str() + R"(/a.htm","backup":")" +
            site.str() + R"(/a.htm.bak","source_size":8,"source_sha256":")" +
            files::Sha256Hex(page) + R"(","output_size":18,"output_sha256":")" +
            files::Sha256Hex("<p>protected a</p>") + R"(","replaced_earlier_file":false}]})");
    EXPECT_TRUE(restore(older).complete);
    EXPECT_EQ(test::TreeOf(site.path()), before);
}

// A record that cannot be written stops the run before another page is put in place: every
// page is as it was or wholly protected, the failure names the record, and the undo of what
// the record holds gives the site back.
TEST(Record, ARecordThatCannotBeWrittenStopsTheRun)
{
    for (const core::SaveMode mode : {core::SaveMode::Overwrite, core::SaveMode::CreateNew}) {
        for (const int failingLine : {2, 5}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + " line " +
                         std::to_string(failingLine));
            TempFolder site;
            for (int page = 0; page < 8; ++page) {
                site.write("p" + std::to_string(page) + ".htm", "<p>" + std::to_string(page));
            }
            const auto before = test::TreeOf(site.path());
            FaultyFileSystem fileSystem;
            int appends = 0;
            fileSystem.setFault([&](FaultyFileSystem::Operation operation, const PathString&) {
                const bool fails =
                    operation == FaultyFileSystem::Operation::Append && ++appends == failingLine;
                return fails ? std::optional<files::FileError>(
                                   test::Failure(files::FileError::Kind::Other))
                             : std::nullopt;
            });
            FakeHost host;
            core::ProtectionSettings settings;
            settings.saveMode = mode;
            const run::RunSummary summary =
                run::ProtectionRun(host, fileSystem).RunProtection({{site.str(), true}}, settings);
            ASSERT_TRUE(summary.recordFailed);
            const std::vector<PathString> records = recordsIn(site.path());
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(summary.recordFailed->path, records[0]);
            ASSERT_FALSE(host.failures().empty());
            EXPECT_TRUE(host.failures().back().starts_with(
                u"Unable to Write the Record of the Run: " + core::TextFromPath(records[0])));
            EXPECT_LT(summary.taken, 8u);
            EXPECT_TRUE(restore(records[0]).complete);
            EXPECT_EQ(test::TreeOf(site.path()), before);
        }
    }
}

// Runs that start in one second never share a record: each makes its own, with exclusive
// creation, under the next free name.
TEST(Record, ARecordIsNeverMadeOverAnother)
{
    TempFolder site;
    site.write(".quorlane-run-20261206-212047-2.json", "someone else's");
    files::RealFileSystem fileSystem;
    std::vector<PathString> paths;
    for (int run = 0; run < 3; ++run) {
        run::RunJournal journal(fileSystem);
        run::RecordPlace place;
        place.folders = {site.str()};
        place.tree = site.str();
        ASSERT_TRUE(journal.create(place, "2026-12-06T21:20:47", {}).ok());
        paths.push_back(journal.path());
    }
    const PathString name = site.str() + "/.quorlane-run-20261206-212047";
    EXPECT_EQ(paths, (std::vector<PathString>{name + ".json", name + "-3.json", name + "-4.json"}));
    EXPECT_EQ(site.read(".quorlane-run-20261206-212047-2.json"), "someone else's");
    for (const PathString& path : paths) {
        run::ManifestProblem problem;
        EXPECT_TRUE(run::ParseManifest(test::ReadBytes(path), problem)) << problem.detail;
    }
}

namespace {

// The real file system, with a user who saves a page at a chosen instant of an undo: just
// before a file is moved by name.
class EditingFileSystem : public files::RealFileSystem
{
public:
    std::function<void(const PathString& from, const PathString& to)> beforeMove;
    // Moves onto a name for which it is true are refused, as a held file is.
    std::function<bool(const PathString& to)> refuseMove;
    files::Status moveToFreeName(const PathString& from, const PathString& to) override
    {
        if (beforeMove) {
            beforeMove(from, to);
        }
        if (refuseMove && refuseMove(to)) {
            return files::FileError{files::FileError::Kind::Access, 13, "Permission denied", to};
        }
        return RealFileSystem::moveToFreeName(from, to);
    }
};

} // namespace

// A page saved while an undo is at work, after the undo found it to be the run's and before
// the backup goes in, is never lost: the page stays as saved, the backup stays for another
// go, the undo says so, and nothing it moved aside is left behind.
TEST(Record, APageSavedDuringTheUndoIsNeverLost)
{
    const std::string original = "<p>original</p>";
    const std::string edit = "<p>saved during the undo</p>";
    struct Case
    {
        const char* name;
        core::SaveMode mode;
        const char* output;
        bool afterMovedAside; // saved once the run's page was moved aside, else just before
    };
    const Case cases[] = {
        {"overwrite, before the page is moved aside", core::SaveMode::Overwrite, "a.htm", false},
        {"overwrite, before the backup goes in", core::SaveMode::Overwrite, "a.htm", true},
        {"new, before the page is moved aside", core::SaveMode::CreateNew, "protected_a.htm",
         false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TempFolder site;
        site.write("a.htm", original);
        FakeHost host;
        core::ProtectionSettings settings;
        settings.saveMode = test.mode;
        files::RealFileSystem real;
        const run::RunSummary summary =
            run::ProtectionRun(host, real).RunProtection({{site.str(), true}}, settings);
        ASSERT_FALSE(summary.manifest.empty());
        const PathString output = (site.path() / test.output).native();

        EditingFileSystem editing;
        bool saved = false;
        editing.beforeMove = [&](const PathString& from, const PathString& to) {
            const bool now = test.afterMovedAside ? to == output : from == output;
            if (now && !saved) {
                saved = true;
                site.write(test.output, edit);
            }
        };
        const run::RestoreReport report = run::RestoreRun(editing, summary.manifest, false);
        ASSERT_TRUE(saved);
        EXPECT_FALSE(report.complete);
        ASSERT_EQ(report.steps.size(), 1u);
        EXPECT_EQ(report.steps[0].action, run::RestoreStep::Action::ChangedSinceRun);
        EXPECT_EQ(site.read(test.output), edit);
        if (test.mode == core::SaveMode::Overwrite) {
            EXPECT_EQ(site.read("a.htm.bak"), original);
        }
        EXPECT_FALSE(fs::exists(output + ".quorlane-undo"));
        // Another go changes nothing that is the user's.
        EXPECT_FALSE(restore(summary.manifest).complete);
        EXPECT_EQ(site.read(test.output), edit);
    }
}

// When neither the backup nor the run's own page can go back to the page's name, the undo names
// the page where it is left, under its aside name, and nothing is lost.
TEST(Record, AnUndoThatCannotPutThePageBackNamesWhereItIs)
{
    TempFolder site;
    site.write("a.htm", "<p>original</p>");
    FakeHost host;
    core::ProtectionSettings settings;
    settings.saveMode = core::SaveMode::Overwrite;
    files::RealFileSystem real;
    const run::RunSummary summary =
        run::ProtectionRun(host, real).RunProtection({{site.str(), true}}, settings);
    ASSERT_FALSE(summary.manifest.empty());
    const PathString output = (site.path() / "a.htm").native();
    const std::string protectedPage = site.read("a.htm");

    EditingFileSystem editing;
    editing.refuseMove = [&](const PathString& to) { return to == output; };
    const run::RestoreReport report = run::RestoreRun(editing, summary.manifest, false);
    EXPECT_FALSE(report.complete);
    ASSERT_EQ(report.steps.size(), 1u);
    EXPECT_EQ(report.steps[0].action, run::RestoreStep::Action::Failed);
    EXPECT_EQ(report.steps[0].path, output + ".quorlane-undo");
    EXPECT_EQ(site.read("a.htm.quorlane-undo"), protectedPage);
    EXPECT_EQ(site.read("a.htm.bak"), "<p>original</p>");
}

// Where the file system allows, the backup is the page's own file under a second name: nothing
// is copied, and it keeps the page's mode. A second name left by a run that was stopped there
// serves as the backup, rather than have the page refused for its two names.
TEST(Record, TheBackupIsThePagesOwnFile)
{
    TempFolder site;
    const fs::path page = site.write("a.htm", "<p>a</p>");
    fs::permissions(page, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    struct stat before
    {
    };
    ASSERT_EQ(stat(page.c_str(), &before), 0);
    core::ProtectionSettings settings;
    settings.saveMode = core::SaveMode::Overwrite;
    files::RealFileSystem fileSystem;
    for (const bool leftByAStoppedRun : {false, true}) {
        SCOPED_TRACE(leftByAStoppedRun);
        if (leftByAStoppedRun) {
            fs::create_hard_link(page, site.path() / "a.htm.bak");
        }
        FakeHost host;
        const run::RunSummary summary =
            run::ProtectionRun(host, fileSystem).RunProtection({{site.str(), true}}, settings);
        EXPECT_TRUE(host.failures().empty());
        struct stat backup
        {
        };
        ASSERT_EQ(stat((site.path() / "a.htm.bak").c_str(), &backup), 0);
        EXPECT_EQ(backup.st_ino, before.st_ino);
        EXPECT_EQ(backup.st_nlink, 1u);
        EXPECT_EQ(backup.st_mode & 0777, 0640u);
        EXPECT_EQ(site.read("a.htm.bak"), "<p>a</p>");
        EXPECT_NE(site.read("a.htm"), "<p>a</p>");
        ASSERT_TRUE(restore(summary.manifest).complete);
        EXPECT_EQ(site.read("a.htm"), "<p>a</p>");
        EXPECT_FALSE(site.exists("a.htm.bak"));
    }
}
