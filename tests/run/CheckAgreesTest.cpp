#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "run/PageCheck.h"
#include "run/ProtectionRun.h"
#include "tests/run/FakeHost.h"
#include "tests/support/TempFolder.h"

// `check` looks at the pages a run would take on by the run's own steps: on the same tree it
// names just the pages the run then protects, and those it cannot read.
using namespace quorlane;
using core::PathString;
using run::SelectionEntry;
using test::TempFolder;

namespace {

struct Taken
{
    std::vector<PathString> protectedPages;
    std::vector<PathString> failedPages;
};

Taken sorted(Taken taken)
{
    std::sort(taken.protectedPages.begin(), taken.protectedPages.end());
    std::sort(taken.failedPages.begin(), taken.failedPages.end());
    return taken;
}

Taken checked(const std::vector<SelectionEntry>& selection,
              const core::ProtectionSettings& settings)
{
    files::RealFileSystem fileSystem;
    const run::CheckReport report = run::CheckSelection(fileSystem, selection, settings);
    Taken taken;
    for (const run::PageCheckResult& page : report.pages) {
        const bool protectedAlready =
            std::any_of(page.findings.begin(), page.findings.end(), [](const auto& finding) {
                return finding.code == core::FindingCode::AlreadyProtected;
            });
        if (page.failure) {
            taken.failedPages.push_back(page.page);
        } else if (!protectedAlready) {
            taken.protectedPages.push_back(page.page);
        }
    }
    return sorted(taken);
}

Taken protectedBy(const std::vector<SelectionEntry>& selection,
                  const core::ProtectionSettings& settings)
{
    test::FakeHost host;
    files::RealFileSystem fileSystem;
    run::ProtectionRun protection(host, fileSystem);
    protection.setNoRecord(true);
    protection.RunProtection(selection, settings);
    return sorted({host.recorded(), host.pages(run::PageOutcome::Kind::Failed)});
}

// Builds the tree afresh for each mode, checks it, protects it, and checks it again. picked: the
// pages picked on their own, relative to the tree; none: the tree as a folder.
void expectAgreement(const std::function<void(const TempFolder&)>& build,
                     const std::vector<std::string>& picked, std::size_t protectedPages)
{
    for (const core::ProtectMode mode :
         {core::ProtectMode::WholePage, core::ProtectMode::AllLinks}) {
        TempFolder site;
        build(site);
        std::vector<SelectionEntry> selection;
        for (const std::string& page : picked) {
            const std::filesystem::path path = site.path() / std::filesystem::u8path(page);
            selection.push_back({std::filesystem::path(path).make_preferred().native(), false});
        }
        if (picked.empty()) {
            selection.push_back({site.str(), true});
        }
        core::ProtectionSettings settings;
        settings.protectMode = mode;
        const Taken before = checked(selection, settings);
        const Taken run = protectedBy(selection, settings);
        EXPECT_EQ(before.protectedPages, run.protectedPages);
        EXPECT_EQ(before.failedPages, run.failedPages);
        EXPECT_EQ(run.protectedPages.size(), protectedPages);
    }
}

const std::string frameset(const std::vector<std::string>& sources)
{
    std::string page = "<html><frameset cols=\"50%,50%\">";
    for (const std::string& source : sources) {
        page += "<frame src=\"" + source + "\">";
    }
    return page + "</frameset></html>";
}

const std::string plain = "<html><body><p>Text <a href=\"x.html\">x</a></p></body></html>";

} // namespace

// A frame that cannot be read ends the frame handling of its frameset, which is then protected
// as a page: the frames after it are not taken on, by check as by the run.
TEST(CheckAgrees, FramesetsWithMissingRepeatedAndClimbingFrames)
{
    const auto build = [](const TempFolder& site) {
        site.write("missing-first.htm", frameset({"gone.htm", "b.htm"}));
        site.write("b.htm", plain);
        site.write("repeated.htm", frameset({"c.htm", "c.htm", "nested.htm"}));
        site.write("c.htm", plain);
        site.write("nested.htm", frameset({"c.htm", "d.htm"}));
        site.write("d.htm", plain);
        site.write("sub/climbing.htm", frameset({"../e.htm", "../../outside.htm"}));
        site.write("e.htm", plain);
        site.write("sub/broken.htm", "<html><frameset><frame src=\"f.htm\"><frame src</frameset>");
        site.write("sub/f.htm", plain);
    };
    // Picked on their own, the frame pages are only taken on as frames: missing-first and
    // broken as pages; c, d and f as frames; repeated, nested and climbing stay as they stand
    // and are written with the marker only. b is not taken on, nor e: a frameset picked on its
    // own is the root of its site, and e lies above it.
    expectAgreement(build,
                    {"missing-first.htm", "repeated.htm", "sub/climbing.htm", "sub/broken.htm"}, 8);
}

// The sample site, as a whole folder: its frameset, its pages in several encodings.
TEST(CheckAgrees, OnTheSampleSite)
{
    const auto build = [](const TempFolder& site) {
        const std::filesystem::path sample =
            std::filesystem::path(QUORLANE_TEST_DATA) / ".." / ".." / "examples" / "site";
        std::filesystem::copy(sample, site.path(), std::filesystem::copy_options::recursive);
    };
    expectAgreement(build, {}, 13);
}
