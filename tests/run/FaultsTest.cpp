// Faults made real on disk: an unprivileged user for permissions, a small tmpfs for a full disk,
// a name too long for the file system, frames in rings and chains.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include "core/PageTransformer.h"
#include "core/Utf8.h"
#include "run/ProtectionRun.h"
#include "tests/run/FakeHost.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::PathString;
using test::marker;
using test::TempFolder;

namespace {

// The failures a run over selection tells, and the pages it writes.
std::vector<std::u16string> failuresOfRun(const std::vector<run::SelectionEntry>& selection,
                                          const core::ProtectionSettings& settings = {},
                                          std::vector<PathString>* recorded = nullptr)
{
    files::RealFileSystem fileSystem;
    test::FakeHost host;
    run::ProtectionRun(host, fileSystem).RunProtection(selection, settings);
    if (recorded != nullptr) {
        *recorded = host.recorded();
    }
    return host.failures();
}

core::ProtectionSettings saving(core::SaveMode mode)
{
    core::ProtectionSettings settings;
    settings.saveMode = mode;
    return settings;
}

std::size_t filesIn(const test::fs::path& folder)
{
    return static_cast<std::size_t>(
        std::distance(test::fs::directory_iterator(folder), test::fs::directory_iterator()));
}

void openToEveryone(const test::fs::path& path)
{
    test::fs::permissions(path, test::fs::perms::all);
}

} // namespace

// As an unprivileged user: a folder that cannot be read, a page that cannot be read, and a
// folder where nothing can be written, are reported, and the run goes on.
TEST(Faults, PermissionsRefusedToAnOrdinaryUser)
{
    TempFolder site;
    openToEveryone(site.path());
    site.write("closed/hidden.htm", "<p>hidden</p>");
    site.write("locked/secret.htm", "<p>secret</p>");
    site.write("locked/readable.htm", "<p>readable</p>");
    site.write("open/page.htm", "<p>page</p>");
    test::fs::permissions(site.path() / "closed", test::fs::perms::none);
    test::fs::permissions(site.path() / "locked" / "secret.htm", test::fs::perms::none);
    openToEveryone(site.path() / "open");
    openToEveryone(site.path() / "open" / "page.htm");
    const int status = test::RunAsNobody([&] {
        std::vector<PathString> recorded;
        const auto failures = failuresOfRun({{site.str(), true}}, {}, &recorded);
        const std::u16string root = core::TextFromPath(site.str());
        const std::vector<std::u16string> expected = {
            u"Unable to Read Folder: " + root +
                u"/closed.\r\nPermission denied\r\nThe pages in it were not protected.",
            u"Unable to Access File: " + root +
                u"/locked/protected_readable.htm.\r\nThe file "
                u"may be read-only.",
            u"Unable to Read File: " + root + u"/locked/secret.htm.\r\nPermission denied",
        };
        if (failures != expected) {
            return 1;
        }
        return recorded == std::vector<PathString>{site.str() + "/open/page.htm"} ? 0 : 2;
    });
    ASSERT_NE(status, -1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(filesIn(site.path() / "locked"), 2u);
    openToEveryone(site.path() / "closed");
    EXPECT_EQ(filesIn(site.path() / "closed"), 1u);
    EXPECT_TRUE(site.exists("open/protected_page.htm"));
}

// As an unprivileged user: a copy whose target folder is read-only takes no record of the run
// either, and stops before its first page is written, naming the record; one whose target
// cannot be created stops at its first page with one failure; a folder that cannot be made below
// a target that works is named as the cause of its page's failure, and the other pages are
// protected.
TEST(Faults, ATargetThatCannotBeWritten)
{
    TempFolder site;
    openToEveryone(site.path());
    for (const char* page : {"a.htm", "b.htm", "sub/deep/c.htm"}) {
        site.write(std::string("in/") + page, "<p>x</p>");
    }
    site.write("locked/keep", "x");
    site.write("open/sub/keep", "x");
    openToEveryone(site.path() / "open");
    const std::u16string root = core::TextFromPath(site.str());
    // Each failure is put down to a read-only folder. The record goes beside the target, so a
    // target that cannot be written fails at its first page.
    const std::tuple<std::string, std::string, std::u16string, bool> cases[] = {
        {"locked", "locked", u"Unable to Access File: " + root + u"/locked/a.htm", true},
        {"locked/new/target", "locked",
         u"Unable to Create Folder: " + root + u"/locked/new.\r\nPermission denied", true},
        {"open", "open/sub",
         u"Unable to Create Folder: " + root + u"/open/sub/deep.\r\nPermission denied", false},
    };
    for (const auto& [target, folder, message, stops] : cases) {
        SCOPED_TRACE(target);
        const int status = test::RunAsNobody([&] {
            files::RealFileSystem fileSystem;
            test::FakeHost host;
            core::ProtectionSettings copy = saving(core::SaveMode::CopyToFolder);
            copy.saveDir = core::TextFromPath(site.str() + "/" + target);
            const run::RunSummary summary = run::ProtectionRun(host, fileSystem)
                                                .RunProtection({{site.str() + "/in", true}}, copy);
            const auto failed = host.of(run::PageOutcome::Kind::Failed);
            if (failed.size() != 1 ||
                !wording::FailureMessage(failed[0]->failure).text.starts_with(message)) {
                return 1;
            }
            if (folder.empty()) {
                // No record: nothing is written, and the run says why it stopped.
                return summary.recordFailed && summary.taken == 1 && host.recorded().empty() &&
                               summary.manifest.empty()
                           ? 0
                           : 5;
            }
            if (failed[0]->cause.kind != run::FailureCause::Kind::FolderReadOnly ||
                failed[0]->cause.folder != site.str() + "/" + folder) {
                return 2;
            }
            if (failed[0]->stopsRun != stops || summary.targetUnwritable.has_value() != stops) {
                return 3;
            }
            const bool done = summary.taken == (stops ? 1u : 3u);
            return done && host.recorded().size() == (stops ? 0u : 2u) ? 0 : 4;
        });
        ASSERT_NE(status, -1);
        EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(filesIn(site.path() / "locked"), 1u);
}

// A disk that fills up while a page is written: the page stays as it was, no backup or
// temporary file is left, and the message names the file. One too full for the record of the
// run: the run stops before any page is replaced, and the message names the record.
TEST(Faults, AFullDiskLeavesEveryPageIntact)
{
    TempFolder site;
    if (::geteuid() != 0 ||
        ::mount("quorlane-test", site.str().c_str(), "tmpfs", 0, "size=96k") != 0) {
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    }
    const std::string page = "<p>" + std::string(30000, 'x') + "</p>";
    site.write("big.htm", page);
    const auto failures = failuresOfRun({{site.str(), true}}, saving(core::SaveMode::Overwrite));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], u"Unknown Error 28\r\nNo space left on device: " +
                               core::TextFromPath(site.str()) + u"/big.htm");
    EXPECT_EQ(site.read("big.htm"), page);
    EXPECT_EQ(filesIn(site.path()), 1u);

    // Now too full for a record of the run.
    site.write("small.htm", "<p>small</p>");
    for (int k = 0;; ++k) {
        const auto filler = site.write("filler" + std::to_string(k), std::string(4096, 'f'));
        if (test::fs::file_size(filler) < 4096) {
            break;
        }
    }
    const auto stopped = failuresOfRun({{site.str(), true}}, saving(core::SaveMode::Overwrite));
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_TRUE(stopped[0].starts_with(u"Unable to Write the Record of the Run: " +
                                       core::TextFromPath(site.str()) + u"/.quorlane-run-"))
        << core::Utf16ToUtf8(stopped[0]);
    EXPECT_NE(stopped[0].find(u"No space left on device"), std::u16string::npos);
    EXPECT_EQ(site.read("big.htm"), page);
    EXPECT_EQ(site.read("small.htm"), "<p>small</p>");
    EXPECT_FALSE(site.exists("big.htm.bak") || site.exists("small.htm.bak"));
    ::umount(site.str().c_str());
}

TEST(Faults, ANameTooLongForTheFileSystem)
{
    TempFolder site;
    site.write("in/a.htm", "<p>a</p>");
    site.write("in/b.htm", "<p>b</p>");
    core::ProtectionSettings copy = saving(core::SaveMode::CopyToFolder);
    copy.saveDir = core::TextFromPath(site.str() + "/" + std::string(300, 'n'));
    const auto failures = failuresOfRun({{site.str() + "/in", true}}, copy);
    ASSERT_EQ(failures.size(), 1u); // no page can go into a target that cannot be made
    EXPECT_TRUE(failures[0].ends_with(u".\r\nThe name is too long for the file system."));

    // A name that is too long only once "protected_" is put in front of it.
    const std::string name = std::string(248, 'p') + ".htm";
    site.write("long/" + name, "<p>long</p>");
    const auto beside = failuresOfRun({{site.str() + "/long", true}});
    ASSERT_EQ(beside.size(), 1u);
    EXPECT_EQ(beside[0],
              u"Unable to Write File: " +
                  core::TextFromPath(site.str() + "/long/protected_" + name) +
                  u".\r\nThe name is too long for the file system once \"protected_\" is put "
                  u"in front of the page's name.");
}

TEST(Faults, FramesInARingAndInADeepChain)
{
    TempFolder site;
    constexpr int ring = 1000;
    for (int i = 0; i < ring; ++i) {
        site.write("ring/" + std::to_string(i) + ".htm", "<frameset><frame src=\"" +
                                                             std::to_string((i + 1) % ring) +
                                                             ".htm\"></frameset>");
    }
    std::vector<PathString> recorded;
    EXPECT_TRUE(failuresOfRun({{site.str() + "/ring/0.htm", false}}, {}, &recorded).empty());
    EXPECT_EQ(recorded.size(), static_cast<std::size_t>(ring));

    // A chain ten thousand framesets deep: no stack runs out. The last frameset names a page that
    // does not exist, so it is protected as a page, without a failure; every other one is left as
    // it is.
    constexpr int chain = 10000;
    for (int i = 0; i < chain; ++i) {
        site.write("chain/" + std::to_string(i) + ".htm",
                   "<frameset><frame src=\"" + std::to_string(i + 1) + ".htm\"></frameset>");
    }
    EXPECT_TRUE(failuresOfRun({{site.str() + "/chain/0.htm", false}}, {}, &recorded).empty());
    EXPECT_EQ(recorded.size(), static_cast<std::size_t>(chain));
    EXPECT_TRUE(site.read("chain/protected_9999.htm").starts_with("<script "));
    EXPECT_FALSE(site.exists("chain/10000.htm") || site.exists("chain/protected_10000.htm"));
    EXPECT_EQ(site.read("chain/protected_5000.htm"),
              "<frameset><frame src=\"5001.htm\"></frameset>" + marker);
    EXPECT_TRUE(site.read("chain/protected_0.htm").ends_with(marker));
}
