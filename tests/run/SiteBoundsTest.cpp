#include <gtest/gtest.h>

#include "run/ProtectionRun.h"
#include "tests/run/FakeHost.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::PathString;
using run::ProtectionRun;
using run::SelectionEntry;
using test::FakeHost;
using test::marker;
using test::TempFolder;

namespace {

const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);

struct RunOf
{
    FakeHost host;
    files::RealFileSystem fileSystem;
    run::RunSummary summary;

    RunOf(const std::vector<SelectionEntry>& selection, const core::ProtectionSettings& settings,
          bool anyFile = false, bool replaceOthers = false)
    {
        ProtectionRun protectionRun(host, fileSystem);
        protectionRun.setAnyFile(anyFile);
        protectionRun.setReplaceOthersFiles(replaceOthers);
        summary = protectionRun.RunProtection(selection, settings);
    }
    std::vector<PathString> notPages() const
    {
        std::vector<PathString> found;
        for (const run::PageOutcome* outcome : host.of(run::PageOutcome::Kind::Skipped)) {
            if (outcome->reason == run::SkipReason::NotAPage) {
                found.push_back(outcome->page);
            }
        }
        return found;
    }
};

core::ProtectionSettings overwriteWithoutBackups()
{
    core::ProtectionSettings settings;
    settings.saveMode = core::SaveMode::Overwrite;
    settings.makeBackups = false;
    return settings;
}

} // namespace

// Files named on their own are pages by their name, or else by their first bytes: a picture, a
// script, a style sheet and a text are left as they are and told; a page under another name
// is taken. A frame source that is no page is left alone too. With anyFile every one is taken.
TEST(NamedFiles, OnlyThoseThatLookLikePagesAreTaken)
{
    TempFolder site;
    const std::pair<const char*, std::string> files[] = {
        {"logo.png", png},
        {"app.js", "document.write('<p>');"},
        {"style.css", "body { color: red }"},
        {"notes", "plain words"},
        {"page.php", "\xEF\xBB\xBF\r\n<!DOCTYPE html><p>php</p>"},
        {"shout.HTM", "no markup at all"},
        {"frames.asp", "<frameset><frame src=\"pic.gif\"></frameset>"},
        {"pic.gif", "GIF89a"},
    };
    std::vector<SelectionEntry> selection;
    for (const auto& [name, bytes] : files) {
        site.write(name, bytes);
        if (std::string(name) != "pic.gif") {
            selection.push_back({site.str() + test::Native(std::string("/") + name), false});
        }
    }
    const RunOf run(selection, overwriteWithoutBackups());
    EXPECT_EQ(run.notPages(), (std::vector<PathString>{site.str() + test::Native("/logo.png"),
                                                       site.str() + test::Native("/app.js"),
                                                       site.str() + test::Native("/style.css"),
                                                       site.str() + test::Native("/notes"),
                                                       site.str() + test::Native("/pic.gif")}));
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const bool page = std::string(name) == "page.php" || std::string(name) == "shout.HTM" ||
                          std::string(name) == "frames.asp";
        EXPECT_EQ(site.read(name).ends_with(marker), page);
        if (!page) {
            EXPECT_EQ(site.read(name), bytes);
        }
    }
    EXPECT_TRUE(run.host.failures().empty());

    TempFolder other;
    other.write("app.js", "var a = 1;");
    const RunOf anyFile({{other.str() + test::Native("/app.js"), false}}, overwriteWithoutBackups(),
                        true);
    EXPECT_TRUE(anyFile.notPages().empty());
    EXPECT_TRUE(other.read("app.js").ends_with(marker));
}

// A copy replaces, without being told, only what loses nothing: protected pages an earlier run
// wrote, and files that hold the very bytes they would be replaced with. Anything else in the
// target is counted and the first few named, and nothing at all is written.
TEST(CopyTarget, FilesThatNoRunWroteAreReplacedOnlyWhenTold)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>");
    site.write("c.htm", "<p>c</p>");
    site.write("style.css", "body {}");
    site.write("same.css", "p {}");
    TempFolder target;
    target.write("a.htm", "<p>the target's own a</p>");
    target.write("b.htm", "<p>an earlier b</p>" + marker);
    target.write("c.htm", "<p>c</p>");
    target.write("style.css", "h1 {}");
    target.write("same.css", "p {}");
    target.write("unrelated.txt", "kept");
    core::ProtectionSettings settings;
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = core::TextFromPath(target.str());
    const auto before = test::TreeOf(target.path());

    const RunOf refused({{site.str(), true}}, settings);
    ASSERT_TRUE(refused.summary.refusal.has_value());
    EXPECT_EQ(refused.summary.refusal->kind, run::Refusal::Kind::TargetHoldsOthers);
    EXPECT_EQ(refused.summary.refusal->count, 2u);
    EXPECT_EQ(refused.summary.refusal->examples,
              (std::vector<PathString>{target.str() + test::Native("/a.htm"),
                                       target.str() + test::Native("/style.css")}));
    EXPECT_TRUE(refused.host.outcomes.empty());
    EXPECT_EQ(test::TreeOf(target.path()), before);

    const RunOf told({{site.str(), true}}, settings, false, true);
    EXPECT_FALSE(told.summary.refusal.has_value());
    EXPECT_TRUE(target.read("a.htm").ends_with(marker));
    EXPECT_EQ(target.read("style.css"), "body {}");
    EXPECT_EQ(target.read("unrelated.txt"), "kept");

    // What this copy wrote, it may replace the next time; a page changed since is no reason
    // to ask.
    site.write("a.htm", "<p>a, changed</p>");
    const RunOf again({{site.str(), true}}, settings);
    EXPECT_FALSE(again.summary.refusal.has_value());
    EXPECT_TRUE(target.read("a.htm").ends_with(marker));
}
