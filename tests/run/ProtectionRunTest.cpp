#include "run/ProtectionRun.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "core/PageTransformer.h"
#include "core/ScriptText.h"
#include "core/Utf8.h"
#include "files/NameCase.h"
#include "files/PageCodec.h"
#include "tests/run/FakeHost.h"
#include "tests/support/PageDecoding.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::PathString;
using run::ProtectionRun;
using run::SelectionEntry;
using test::FakeHost;
using test::FaultyFileSystem;
using test::marker;
using test::TempFolder;

namespace {

const std::string utf8Page = "<html><head><meta charset=\"utf-8\"></head><body><p>Caf\xC3\xA9 "
                             "\xE6\x97\xA5\xE6\x9C\xAC</p></body></html>";
const std::string legacyPage = "<html><body><p>Gr\xFC\xDF"
                               "e \x80</p></body></html>";

class ProtectionRunTest : public ::testing::Test
{
protected:
    void run(const std::vector<SelectionEntry>& selection)
    {
        ProtectionRun protectionRun(host, fileSystem);
        protectionRun.setJobs(jobs);
        protectionRun.RunProtection(selection, settings);
        results = protectionRun.results();
    }
    SelectionEntry folder(const std::string& relative = "") const
    {
        return {relative.empty() ? site.str() : (site.path() / relative).native(), true};
    }
    SelectionEntry page(const std::string& relative) const { return {at(relative), false}; }
    PathString at(const std::string& relative) const
    {
        return site.str() + test::Native("/" + relative);
    }
    std::vector<PathString> failed() const { return host.pages(run::PageOutcome::Kind::Failed); }

    TempFolder site;
    FaultyFileSystem fileSystem;
    core::ProtectionSettings settings;
    FakeHost host;
    run::ResultsTree results;
    unsigned jobs = 1;
};

} // namespace

TEST_F(ProtectionRunTest, ProtectsASiteBesideItsPagesInEveryEncoding)
{
    site.write("index.htm", utf8Page);
    site.write("sub/legacy.html", legacyPage);
    site.write("sub/style.css", "p { color: red }");
    site.write("sub/seite m\xC3\xBCller.htm", "<p>x</p>");
    settings.protectMode = core::ProtectMode::BodyOnly;
    run({folder()});

    EXPECT_EQ(site.read("protected_index.htm"), test::ProtectedFileBytes(utf8Page, settings));
    EXPECT_EQ(site.read("sub/protected_legacy.html"),
              test::ProtectedFileBytes(legacyPage, settings));
    EXPECT_TRUE(site.exists("sub/protected_seite m\xC3\xBCller.htm"));
    EXPECT_EQ(site.read("index.htm"), utf8Page);
    EXPECT_FALSE(site.exists("sub/protected_style.css"));
    ASSERT_EQ(results.entries().size(), 1u);
    EXPECT_EQ(results.entries()[0].text, site.str());
    EXPECT_EQ(results.entries()[0].pages,
              (std::vector<PathString>{at("protected_index.htm"), at("sub/protected_legacy.html"),
                                       at("sub/protected_seite m\xC3\xBCller.htm")}));
    EXPECT_EQ(host.statuses.front(), u"Scanning for files, please wait...");
    EXPECT_EQ(host.statuses.back(), u"The following 3 files have been protected");
    EXPECT_EQ(host.summaries.size(), 1);
    EXPECT_TRUE(host.failures().empty());
}

TEST_F(ProtectionRunTest, OverwriteKeepsBackupsAndASecondRunChangesNothing)
{
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    run({folder()});
    EXPECT_EQ(site.read("a.htm.bak"), "<p>a</p>");
    EXPECT_EQ(site.read("a.htm"), test::ProtectedFileBytes("<p>a</p>", settings));
    ASSERT_EQ(results.entries().size(), 1u);
    EXPECT_EQ(results.entries()[0].pages,
              (std::vector<PathString>{test::Native("/a.htm"), test::Native("/b.htm")}));
    EXPECT_EQ(host.statuses.back(), u"The following 2 files have been protected");

    const std::string first = site.read("a.htm");
    host = FakeHost{};
    run({folder()});
    EXPECT_EQ(site.read("a.htm"), first);
    EXPECT_EQ(site.read("a.htm.bak"), "<p>a</p>");
    EXPECT_TRUE(results.entries().empty());
    EXPECT_EQ(host.of(run::PageOutcome::Kind::Skipped).size(), 2u);
    // Every page skipped: the status line still reads as while scanning.
    EXPECT_EQ(host.statuses.back(), u"Scanning for files, please wait...");
}

TEST_F(ProtectionRunTest, FramesetsHandTheirFramesToTheSameStep)
{
    const std::string frameset = "<frameset><frame src=\"left.htm\"><frame src='sub/right.htm'>"
                                 "<frame src=\"http://other.example/x.htm\"></frameset>";
    site.write("index.htm", frameset);
    // The frames name each other and the frameset: each page is protected once.
    site.write("left.htm", "<frameset><frame src=\"index.htm\"><frame src=\"sub/right.htm\">"
                           "</frameset>");
    site.write("sub/right.htm", "<p>right</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    settings.makeBackups = false;
    run({page("index.htm")});

    EXPECT_EQ(site.read("index.htm"), frameset + marker);
    EXPECT_EQ(site.read("sub/right.htm"), test::ProtectedFileBytes("<p>right</p>", settings));
    EXPECT_EQ(host.recorded(),
              (std::vector<PathString>{at("sub/right.htm"), at("left.htm"), at("index.htm")}));
}

TEST_F(ProtectionRunTest, PagesThatCannotBeReadAreReportedNeverEmptied)
{
    site.write("a.htm", "<p>a</p>");
    site.write("b.htm", "<p>b</p>");
    site.write("c.htm", "<p>c</p>");
    test::fs::create_directories(site.path() / "d.htm");
    // b.htm vanishes between the scan and its turn.
    host.afterListed = [&](std::size_t yields) {
        if (yields == 1) {
            test::fs::remove(site.path() / "b.htm");
        }
    };
    run({folder(), page("d.htm")});
    ASSERT_EQ(failed(), (std::vector<PathString>{at("b.htm"), at("d.htm")}));
    EXPECT_EQ(host.failures()[0], u"Unable to Read File: " + core::TextFromPath(site.str()) +
                                      u"/b.htm.\r\nNo such file or directory");
    EXPECT_FALSE(site.exists("b.htm"));
    EXPECT_FALSE(site.exists("protected_b.htm"));
    EXPECT_EQ(host.recorded().size(), 2u);
}

TEST_F(ProtectionRunTest, CancelStopsBeforeTheNextPage)
{
    for (int i = 0; i < 10; ++i) {
        site.write("page" + std::to_string(i) + ".htm", "<p>" + std::to_string(i) + "</p>");
    }
    host.afterListed = [&](std::size_t yields) { host.cancel = yields == 3 || host.cancel; };
    run({folder()});
    EXPECT_EQ(host.recorded().size(), 3u);
    const auto tree = test::TreeOf(site.path());
    EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                            [](const auto& file) { return file.first.starts_with("protected_"); }),
              3);
    EXPECT_EQ(host.summaries.size(), 1);

    // Protect again without a Restart: the flag is still set, nothing is read.
    host = FakeHost{};
    host.cancel = true;
    run({folder()});
    EXPECT_TRUE(host.recorded().empty());
    EXPECT_EQ(host.summaries.size(), 1u);
}

TEST_F(ProtectionRunTest, ProgressFollowsTheBytesDone)
{
    site.write("a.htm", std::string(100, 'a'));
    site.write("b.htm", std::string(300, 'b'));
    site.write("sub/c.htm", "");
    const auto percentages = [&] {
        std::vector<float> shown;
        for (const run::PageOutcome& outcome : host.outcomes) {
            if (outcome.listed) {
                shown.push_back(run::ProgressPercentage(outcome.doneBytes, outcome.totalBytes));
            }
        }
        return shown;
    };
    run({folder()});
    EXPECT_EQ(percentages(), (std::vector<float>{25.0f, 100.0f, 100.0f}));

    // Nothing to count: the bar stays empty.
    host = FakeHost{};
    site.write("zero/c.htm", "");
    run({page("zero/c.htm")});
    EXPECT_EQ(percentages(), (std::vector<float>{0.0f}));
}

// A run that cannot start says why once, in the order of the fields, and writes nothing.
TEST_F(ProtectionRunTest, BlankLocksOrNoPagesStopTheRunInTheirOrder)
{
    site.write("a.htm", "<p>a</p>");
    using Field = run::LockField;
    const std::tuple<std::function<void(core::ProtectionSettings&)>, bool, std::u16string, Field>
        cases[] = {
            {[](auto& s) { s.domainLock = true, s.lockDomain = u"   ", s.passwordProtect = true; },
             true, u"Please Enter a Domain", Field::Domain},
            {[](auto& s) { s.urlLock = true, s.lockUrl = u""; }, true, u"Please Enter a URL",
             Field::Url},
            {[](auto& s) { s.passwordProtect = true; }, true, u"Please Enter a Password",
             Field::Password},
            {[](auto& s) { s.saveMode = core::SaveMode::CopyToFolder, s.saveDir = u" "; }, true,
             u"Please Enter a Folder", Field::SaveDir},
            {[](auto& s) { s.copyrightNotice = true, s.copyrightNoticeText = u"a--><script>"; },
             true, std::u16string(core::unsafeNoticeMessage), Field::Notice},
            {[](auto&) {}, false, u"No files were picked to be protected", Field::Domain},
        };
    for (const auto& [set, picked, message, field] : cases) {
        SCOPED_TRACE(core::Utf16ToUtf8(message));
        host = FakeHost{};
        settings = {};
        set(settings);
        run(picked ? std::vector<SelectionEntry>{folder()} : std::vector<SelectionEntry>{});
        ASSERT_EQ(host.refusals.size(), 1u);
        EXPECT_EQ(wording::RefusalMessage(host.refusals[0]).text, message);
        if (picked) {
            EXPECT_EQ(host.refusals[0].field, field);
        }
        EXPECT_TRUE(host.summaries.empty());
        EXPECT_FALSE(site.exists("protected_a.htm"));
    }
    EXPECT_EQ(host.statuses,
              (std::vector<std::u16string>{u"No files were picked to be protected."}));

    host = FakeHost{};
    test::fs::remove(site.path() / "a.htm");
    site.write("style.css", "x");
    run({folder()});
    EXPECT_EQ(host.statuses.back(), u"No files found to protect");
    EXPECT_EQ(host.summaries.size(), 1);
}

TEST_F(ProtectionRunTest, AFailedBackupLeavesThePageAndSaysSoOnce)
{
    site.write("a.htm", "<p>a</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    const std::u16string backup = core::TextFromPath(site.str()) + u"/a.htm.bak";
    const std::pair<files::FileError::Kind, wording::Message> cases[] = {
        {files::FileError::Kind::Access,
         {wording::Message::Icon::None, u"Quorlane",
          u"Unable to Access File, Your file(s) may be read-only: " + backup + u"."}},
        {files::FileError::Kind::Other,
         {wording::Message::Icon::Warning, u"Quorlane",
          u"Unknown Error 28\r\nNo space left on device: " + backup}},
        {files::FileError::Kind::InvalidArgument,
         {wording::Message::Icon::Warning, u"Quorlane",
          u"Unknown Error 22\r\nInvalid argument: " + backup}},
    };
    for (const auto& [kind, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(kind));
        host = FakeHost{};
        fileSystem.setFault(
            [kind = kind](FaultyFileSystem::Operation operation, const PathString& path) {
                return operation == FaultyFileSystem::Operation::Write &&
                               core::TextFromPath(path).ends_with(u".bak")
                           ? std::optional<files::FileError>(test::Failure(kind))
                           : std::nullopt;
            });
        run({folder()});
        const auto failed = host.of(run::PageOutcome::Kind::Failed);
        ASSERT_EQ(failed.size(), 1u);
        EXPECT_EQ(wording::FailureMessage(failed[0]->failure), expected);
        EXPECT_EQ(site.read("a.htm"), "<p>a</p>");
        EXPECT_TRUE(host.recorded().empty());
    }
}

// The backup a run made as a second name of the page, which it must take back when the page
// changed meanwhile, but cannot (on Windows a reader that holds the page open keeps any of its
// names from being removed): the page fails as one whose backup could not be made, never as one
// whose backup someone else wrote, and stays as it is.
TEST_F(ProtectionRunTest, ASecondNameThatCannotBeTakenBackFailsThePageAsItsOwn)
{
    site.write("a.htm", "<p>a</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    fileSystem.setFault([&](FaultyFileSystem::Operation operation, const PathString& path) {
        const bool backup = core::TextFromPath(path).ends_with(u".bak");
        if (operation == FaultyFileSystem::Operation::Write && backup) {
            test::fs::last_write_time(site.path() / "a.htm",
                                      test::fs::file_time_type::clock::now() -
                                          std::chrono::hours(1));
        }
        return operation == FaultyFileSystem::Operation::Remove && backup
                   ? std::optional<files::FileError>(test::Failure(files::FileError::Kind::Access))
                   : std::nullopt;
    });
    run({folder()});
    EXPECT_EQ(site.read("a.htm"), "<p>a</p>");
    ASSERT_EQ(host.failures().size(), 1u);
    EXPECT_EQ(host.failures()[0], u"Unable to Access File, Your file(s) may be read-only: " +
                                      core::TextFromPath(site.str() + test::Native("/a.htm.bak")) +
                                      u".");
    EXPECT_TRUE(host.recorded().empty());
}

// A copy target that is an added folder, however spelled, or the folder of a picked page, is
// refused before anything is read; one inside an added folder is allowed and never scanned.
TEST_F(ProtectionRunTest, ACopyTargetOverItsOwnPagesIsRefused)
{
    site.write("s/index.htm", "<p>1</p>");
    site.write("s/out/old.htm", "<p>old</p>");
    const std::pair<PathString, SelectionEntry> refused[] = {
        {site.str() + test::Native("/s/../s/"), folder("s")},
        {site.str() + test::Native("/s"), page("s/index.htm")},
    };
    for (const auto& [target, entry] : refused) {
        SCOPED_TRACE(target);
        host = FakeHost{};
        settings.saveMode = core::SaveMode::CopyToFolder;
        settings.saveDir = core::TextFromPath(target);
        const run::RunSummary summary =
            ProtectionRun(host, fileSystem).RunProtection({entry}, settings);
        ASSERT_TRUE(summary.refusal);
        EXPECT_TRUE(wording::RefusalMessage(*summary.refusal)
                        .text.starts_with(u"The target folder " + core::TextFromPath(target)));
        EXPECT_EQ(host.refusals[0].field, run::LockField::SaveDir);
        EXPECT_EQ(site.read("s/index.htm"), "<p>1</p>");
    }
    host = FakeHost{};
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = core::TextFromPath(site.str() + test::Native("/s/out"));
    run({folder("s")});
    EXPECT_EQ(host.recorded(), (std::vector<PathString>{at("s/index.htm")}));
    EXPECT_EQ(site.read("s/out/old.htm"), "<p>old</p>");
    EXPECT_TRUE(site.read("s/out/index.htm").ends_with("Quorlane //-->\r\n"));
}

// Overwrite through a link in the site protects the page it leads to and keeps the link; a link
// to a page outside the added folder is passed over and named (the page is protected only
// where it is picked itself); a page with a second name is left alone under both names and each
// is reported, never "already handled".
TEST_F(ProtectionRunTest, OverwriteWithLinksLeavesNoNameInClearText)
{
    site.write("real/page.htm", "<p>real</p>");
    site.write("site/in/page.htm", "<p>in</p>");
    site.write("site/hard.htm", "<p>hard</p>");
    test::fs::create_hard_link(site.path() / "site" / "hard.htm",
                               site.path() / "site" / "also.htm");
    test::fs::create_symlink("../real/page.htm", site.path() / "site" / "link.htm");
    test::fs::create_symlink("in/page.htm", site.path() / "site" / "inner.htm");
    settings.saveMode = core::SaveMode::Overwrite;
    run({folder("site"), page("real/page.htm")});

    EXPECT_TRUE(test::fs::is_symlink(site.path() / "site" / "inner.htm"));
    EXPECT_EQ(site.read("site/in/page.htm"), test::ProtectedFileBytes("<p>in</p>", settings));
    EXPECT_EQ(site.read("site/in/page.htm.bak"), "<p>in</p>");
    EXPECT_FALSE(site.exists("site/inner.htm.bak"));
    EXPECT_TRUE(test::fs::is_symlink(site.path() / "site" / "link.htm"));
    EXPECT_EQ(site.read("real/page.htm"), test::ProtectedFileBytes("<p>real</p>", settings));
    EXPECT_FALSE(site.exists("site/link.htm.bak"));
    EXPECT_EQ(host.recorded(),
              (std::vector<PathString>{at("site/inner.htm"), at("real/page.htm")}));
    const auto passed = std::find_if(host.notices.begin(), host.notices.end(), [](auto& n) {
        return n.kind == run::RunNotice::Kind::PageLeavesSite;
    });
    ASSERT_NE(passed, host.notices.end());
    EXPECT_EQ(passed->path, at("site/link.htm"));

    EXPECT_EQ(site.read("site/hard.htm"), "<p>hard</p>");
    EXPECT_EQ(test::fs::hard_link_count(site.path() / "site" / "hard.htm"), 2u);
    ASSERT_EQ(failed(), (std::vector<PathString>{at("site/also.htm"), at("site/hard.htm")}));
    EXPECT_NE(host.failures()[0].find(u"2 names (hard links)"), std::u16string::npos);
    // The page picked on its own was taken on through the link already.
    const auto skipped = host.of(run::PageOutcome::Kind::Skipped);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0]->page, at("site/in/page.htm"));
    EXPECT_EQ(skipped[0]->reason, run::SkipReason::AlreadyHandled);
}

// A page that changes on disk after it was read (here while its backup is written) is left as
// the other writer made it, and reported.
TEST_F(ProtectionRunTest, APageChangedAfterItWasReadIsLeftAlone)
{
    site.write("a.htm", "<p>as read</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    fileSystem.setFault([&](FaultyFileSystem::Operation operation, const PathString& path) {
        if (operation == FaultyFileSystem::Operation::Write &&
            core::TextFromPath(path).ends_with(u".bak")) {
            site.write("a.htm", "<p>edited meanwhile</p>");
        }
        return std::optional<files::FileError>();
    });
    run({folder()});
    EXPECT_EQ(site.read("a.htm"), "<p>edited meanwhile</p>");
    // The backup made for a page the run then left alone goes again.
    EXPECT_FALSE(site.exists("a.htm.bak"));
    ASSERT_EQ(host.failures().size(), 1u);
    EXPECT_EQ(host.failures()[0],
              u"Unable to Overwrite File: " + core::TextFromPath(site.str()) +
                  u"/a.htm.\r\nIt was changed on disk while it was being protected, so it was "
                  u"left as it is.");
    EXPECT_TRUE(host.recorded().empty());
}

// A cancel while a frameset's frames are taken on stops after the frameset with all its frames,
// never with the frameset marked and a frame in clear text.
TEST_F(ProtectionRunTest, ACancelAmongFramesFinishesTheFrameset)
{
    site.write("a.htm", "<frameset><frame src=\"left.htm\"><frame src=\"right.htm\"></frameset>");
    site.write("left.htm", "<p>left</p>");
    site.write("right.htm", "<p>right</p>");
    site.write("z.htm", "<p>next</p>");
    fileSystem.setFault([&](FaultyFileSystem::Operation operation, const PathString& path) {
        host.cancel = host.cancel || (operation == FaultyFileSystem::Operation::Read &&
                                      core::TextFromPath(path).ends_with(u"left.htm"));
        return std::optional<files::FileError>();
    });
    run({page("a.htm"), page("z.htm")});
    EXPECT_EQ(host.recorded().size(), 3u);
    EXPECT_TRUE(site.exists("protected_right.htm"));
    EXPECT_FALSE(site.exists("protected_z.htm"));
}

// A damaged encoder, stood in for by bytes changed on their way to the disk: the check of the
// written file refuses the page, which is left as it was, and the run goes on.
TEST_F(ProtectionRunTest, AWrittenPageThatDoesNotReadBackIsNeverPutInPlace)
{
    const std::string damagedPage =
        "<html><body><p>Every word of this page matters.</p></body></html>";
    site.write("a.htm", damagedPage);
    site.write("b.htm", "<p>b</p>");
    settings.saveMode = core::SaveMode::Overwrite;
    settings.makeBackups = false;
    fileSystem.setDamage([](const PathString&, std::string& bytes) {
        // The page is written beside itself first, under a name of its own: it is told by the
        // escapes of its first word.
        if (bytes.find("%45%76%65%72%79") != std::string::npos) {
            // One hex digit of an escape inside the writer block of the whole page.
            const std::size_t block = bytes.find("qv_d00(unescape(\"%");
            bytes[block + 19] = bytes[block + 19] == '0' ? '1' : '0';
        }
    });
    run({folder()});
    EXPECT_EQ(site.read("a.htm"), damagedPage);
    EXPECT_EQ(site.read("b.htm"), test::ProtectedFileBytes("<p>b</p>", settings));
    ASSERT_EQ(failed(), std::vector<PathString>{at("a.htm")});
    EXPECT_NE(host.failures()[0].find(u"differs from the page from line 1"), std::u16string::npos);
    EXPECT_EQ(host.recorded(), std::vector<PathString>{at("b.htm")});
    for (const auto& entry : test::fs::directory_iterator(site.path())) {
        EXPECT_FALSE(entry.path().extension() == ".tmp") << entry.path();
    }
}

// A page made and checked on a worker thread is trusted only when the file holds just the bytes
// that were checked.
TEST_F(ProtectionRunTest, APageMadeAheadIsCheckedAgainWhenItsFileDiffers)
{
    for (int page = 0; page < 6; ++page) {
        site.write("p" + std::to_string(page) + ".htm", "<p>page " + std::to_string(page) + "</p>");
    }
    jobs = 4;
    fileSystem.setDamage([](const PathString& path, std::string& bytes) {
        if (core::TextFromPath(path).ends_with(u"protected_p3.htm")) {
            bytes.insert(bytes.find("<script"), "<p>added</p>");
        }
    });
    run({folder()});
    EXPECT_EQ(failed(), std::vector<PathString>{at("p3.htm")});
    EXPECT_FALSE(site.exists("protected_p3.htm"));
    EXPECT_EQ(host.recorded().size(), 5u);
    EXPECT_EQ(site.read("protected_p5.htm"), test::ProtectedFileBytes("<p>page 5</p>", settings));
}

// A copy is a working site: the tree is rebuilt below the target, and the other files of the
// folder go along byte for byte; backups, which hold pages in clear text, and what a link brings
// in from outside the folder do not.
TEST_F(ProtectionRunTest, ACopyTakesTheOtherFilesAlongAsTheyAre)
{
    const std::string page = "<link rel=stylesheet href=\"css/site.css\"><p>1</p>";
    const std::string picture("\x89PNG\r\n\x1a\n\0\xff", 10);
    site.write("in/index.htm", page);
    site.write("in/sub/a.htm", "<p>2</p>");
    site.write("in/css/site.css", "p { color: red }");
    site.write("in/img/logo.png", picture);
    site.write("in/old.htm.bak", "<p>the page in clear</p>");
    site.write("secret.txt", "not for the web");
    test::fs::create_symlink(site.path() / "secret.txt", site.path() / "in/secret.txt");
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = core::TextFromPath(site.str() + test::Native("/out"));
    run({folder("in")});
    EXPECT_EQ(site.read("out/index.htm"), test::ProtectedFileBytes(page, settings));
    EXPECT_EQ(site.read("out/sub/a.htm"), test::ProtectedFileBytes("<p>2</p>", settings));
    ASSERT_EQ(results.entries().size(), 1u);
    EXPECT_EQ(results.entries()[0].text, site.str() + test::Native("/out"));
    EXPECT_EQ(results.entries()[0].pages,
              (std::vector<PathString>{test::Native("/index.htm"), test::Native("/sub/a.htm")}));
    EXPECT_EQ(site.read("out/css/site.css"), "p { color: red }");
    EXPECT_EQ(site.read("out/img/logo.png"), picture);
    EXPECT_FALSE(site.exists("out/old.htm.bak"));
    EXPECT_FALSE(site.exists("out/secret.txt"));
    ASSERT_EQ(failed(), std::vector<PathString>{at("in/secret.txt")});
    EXPECT_NE(host.failures()[0].find(u"a link that leads out of the added folder"),
              std::u16string::npos);
}

// A frame page keeps its place beside its frameset in every save mode, also when the frameset is
// picked on its own besides its folder; a frame source that climbs out of the folder is never
// written outside the copy, and so never over a page of the site.
TEST_F(ProtectionRunTest, FramePagesKeepTheirPlaceBesideTheirFrameset)
{
    const std::tuple<const char*, core::SaveMode, bool, const char*, const char*> cases[] = {
        {"overwrite", core::SaveMode::Overwrite, false, "site/in/fs.htm", "site/in/pages/m.htm"},
        {"new", core::SaveMode::CreateNew, true, "site/in/protected_fs.htm",
         "site/in/pages/protected_m.htm"},
        {"copy of the frameset", core::SaveMode::CopyToFolder, false, "site/out/fs.htm",
         "site/out/pages/m.htm"},
        {"copy of its folder too", core::SaveMode::CopyToFolder, true, "site/out/in/fs.htm",
         "site/out/in/pages/m.htm"},
    };
    for (const auto& [name, mode, folderToo, frameset, frame] : cases) {
        SCOPED_TRACE(name);
        TempFolder work;
        FakeHost host;
        core::ProtectionSettings current;
        work.write("site/in/fs.htm",
                   "<frameset><frame src=\"pages/m.htm\"><frame src=\"../../x.htm\"></frameset>");
        work.write("site/in/pages/m.htm", "<p>m</p>");
        work.write("x.htm", "<p>x</p>");
        current.saveMode = mode;
        current.makeBackups = false;
        current.saveDir = core::TextFromPath(work.str() + test::Native("/site/out"));
        std::vector<SelectionEntry> selection{
            {work.str() + test::Native("/site/in/fs.htm"), false}};
        if (folderToo) {
            selection.push_back({work.str() + test::Native("/site"), true});
        }
        ProtectionRun(host, fileSystem).RunProtection(selection, current);
        EXPECT_TRUE(work.read(frameset).ends_with("//-->\r\n"));
        EXPECT_EQ(work.read(frame), test::ProtectedFileBytes("<p>m</p>", current));
        // The frame page out of the site is passed over in every mode, and named.
        EXPECT_EQ(work.read("x.htm"), "<p>x</p>");
        EXPECT_FALSE(work.exists("protected_x.htm"));
        EXPECT_FALSE(work.exists("site/x.htm"));
        EXPECT_TRUE(host.failures().empty());
        const auto leaves = std::find_if(host.notices.begin(), host.notices.end(), [](auto& n) {
            return n.kind == run::RunNotice::Kind::FrameLeavesSite;
        });
        ASSERT_NE(leaves, host.notices.end());
        EXPECT_EQ(std::filesystem::weakly_canonical(leaves->path),
                  std::filesystem::weakly_canonical(work.path() / "x.htm"));
    }
}

// A frame reached through its site's folder spelled in other case lies in the site where the
// file system takes both spellings for one folder (Windows): it is protected there. Elsewhere
// SITE is a folder of its own beside site, and the frame leaves the site: passed over, named.
TEST(ProtectionRunFrames, AFrameInTheSiteSpelledInOtherCaseIsInsideWhereCaseIsIgnored)
{
    const bool ignoresCase = files::NamesIgnoreCase();
    TempFolder work;
    FakeHost host;
    FaultyFileSystem fileSystem;
    core::ProtectionSettings current;
    current.makeBackups = false;
    work.write("site/fs.htm", "<frameset><frame src=\"../SITE/inner.htm\"></frameset>");
    work.write("site/inner.htm", "<p>in</p>");
    if (!ignoresCase) {
        work.write("SITE/inner.htm", "<p>beside</p>");
    }
    ProtectionRun(host, fileSystem)
        .RunProtection({{work.str() + test::Native("/site"), true}}, current);
    EXPECT_TRUE(host.failures().empty());
    const bool leaves = std::any_of(host.notices.begin(), host.notices.end(), [](auto& n) {
        return n.kind == run::RunNotice::Kind::FrameLeavesSite;
    });
    EXPECT_EQ(leaves, !ignoresCase);
    if (ignoresCase) {
        EXPECT_EQ(work.read("site/protected_inner.htm"),
                  test::ProtectedFileBytes("<p>in</p>", current));
    } else {
        EXPECT_EQ(work.read("SITE/inner.htm"), "<p>beside</p>");
        EXPECT_FALSE(work.exists("SITE/protected_inner.htm"));
    }
}

TEST_F(ProtectionRunTest, AnOutputFolderTakenAwayDuringTheRunIsMadeAgain)
{
    site.write("sub/a.htm", "<p>a</p>");
    site.write("sub/b.htm", "<p>b</p>");
    const TempFolder target;
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = core::TextFromPath(target.str() + test::Native("/out"));
    host.afterListed = [&](std::size_t done) {
        if (done == 1) {
            std::filesystem::remove_all(target.path() / "out" / "sub");
        }
    };
    run({folder()});
    EXPECT_TRUE(failed().empty());
    EXPECT_EQ(host.recorded().size(), 2u);
    EXPECT_TRUE(target.read("out/sub/b.htm").ends_with(marker));
}

TEST_F(ProtectionRunTest, ACopyNeverWritesOverAPageOfItsOwnRun)
{
    // The target's folder x leads back into the site: x/a.htm's output is the page a.htm.
    site.write("a.htm", "<p>a</p>");
    site.write("x/a.htm", "<p>x</p>");
    const TempFolder target;
    std::filesystem::create_directory_symlink(site.path(), target.path() / "x");
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = core::TextFromPath(target.str());
    run({folder()});
    EXPECT_EQ(failed(), std::vector<PathString>{at("x/a.htm")});
    EXPECT_EQ(site.read("a.htm"), "<p>a</p>");
    EXPECT_TRUE(target.read("a.htm").ends_with(marker));
}
