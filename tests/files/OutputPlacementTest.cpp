#include "files/OutputPlacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::FileRecord;
using core::SaveMode;
using test::FaultyFileSystem;
using test::TempFolder;

namespace {

core::ProtectionSettings saving(SaveMode mode, const std::string& saveDir = {})
{
    core::ProtectionSettings settings;
    settings.saveMode = mode;
    settings.saveDir = core::TextFromPath(saveDir);
    return settings;
}

} // namespace

TEST(PlaceOutput, CreateNewPutsProtectedBesideThePage)
{
    // Paths of the computation only: no folder is made.
    FaultyFileSystem fileSystem;
    fileSystem.setFault([](FaultyFileSystem::Operation, const core::PathString&) {
        return std::optional<files::FileError>(test::Failure(files::FileError::Kind::Access));
    });
    std::optional<files::BackupFailure> failure;
    FileRecord own{"", "/site/index.htm"};
    EXPECT_EQ(files::PlaceOutput(own, saving(SaveMode::CreateNew), fileSystem, failure),
              "/site/protected_index.htm");
    EXPECT_EQ(own, (FileRecord{"", "/site/protected_index.htm"}));

    FileRecord inFolder{"/site", "/sub/index.htm"};
    EXPECT_EQ(files::PlaceOutput(inFolder, saving(SaveMode::CreateNew), fileSystem, failure),
              "/site/sub/protected_index.htm");
    EXPECT_EQ(inFolder, (FileRecord{"/site", "/site/sub/protected_index.htm"}));

    FileRecord atRoot{"/", "index.htm"};
    EXPECT_EQ(files::PlaceOutput(atRoot, saving(SaveMode::CreateNew), fileSystem, failure),
              "/protected_index.htm");
    // A bare name is a page in the current folder, never one at the root.
    FileRecord bare{"", "index.htm"};
    EXPECT_EQ(files::PlaceOutput(bare, saving(SaveMode::CreateNew), fileSystem, failure),
              "./protected_index.htm");
    EXPECT_EQ(bare, (FileRecord{"", "./protected_index.htm"}));
    EXPECT_FALSE(failure);
}

TEST(PlaceOutput, CopyToFolderKeepsTheFoldersBelowTheAddedFolder)
{
    TempFolder out;
    files::RealFileSystem fileSystem;
    std::optional<files::BackupFailure> failure;
    FileRecord inFolder{"/site", "/sub/index.htm"};
    EXPECT_EQ(files::PlaceOutput(inFolder, saving(SaveMode::CopyToFolder, out.str()), fileSystem,
                                 failure),
              out.str() + "/sub/index.htm");
    EXPECT_EQ(inFolder, (FileRecord{out.str(), "/sub/index.htm"}));
    EXPECT_TRUE(test::fs::is_directory(out.path() / "sub"));

    // A page picked on its own lands in the folder itself; the record shows the path as built,
    // doubled separator and all.
    FileRecord own{"", "/elsewhere/a.htm"};
    EXPECT_EQ(files::PlaceOutput(own, saving(SaveMode::CopyToFolder, out.str() + "/"), fileSystem,
                                 failure),
              out.str() + "/a.htm");
    EXPECT_EQ(own, (FileRecord{"", out.str() + "//a.htm"}));
}

// The backup holds the bytes the run read, whatever the file holds by now, and is made only
// where nothing of its name stands: an older backup, the user's own, a folder or a link of that
// name is never replaced.
TEST(MakeBackup, HoldsWhatWasReadAndNeverReplacesAnything)
{
    TempFolder site;
    site.write("index.htm", "changed since");
    files::RealFileSystem fileSystem;
    EXPECT_FALSE(files::MakeBackup(site.str() + "/index.htm", "as read", fileSystem));
    EXPECT_EQ(site.read("index.htm.bak"), "as read");

    site.write("own.htm", "o");
    site.write("own.htm.bak", "the user's own");
    site.write("empty.htm", "e");
    test::fs::create_directories(site.path() / "empty.htm.bak");
    site.write("linked.htm", "l");
    test::fs::create_symlink("elsewhere", site.path() / "linked.htm.bak");
    for (const std::string name : {"index.htm", "own.htm", "empty.htm", "linked.htm"}) {
        SCOPED_TRACE(name);
        const auto failure = files::MakeBackup(site.str() + "/" + name, "x", fileSystem);
        ASSERT_TRUE(failure);
        EXPECT_TRUE(failure->nameTaken);
        EXPECT_EQ(failure->backup, site.str() + "/" + name + ".bak");
    }
    EXPECT_EQ(site.read("index.htm.bak"), "as read");
    EXPECT_EQ(site.read("own.htm.bak"), "the user's own");
    EXPECT_TRUE(test::fs::is_directory(site.path() / "empty.htm.bak"));
    EXPECT_TRUE(test::fs::is_symlink(site.path() / "linked.htm.bak"));
}

// A backup is never more readable than its page, whatever the umask; as root it has the page's
// owner and group too.
TEST(MakeBackup, KeepsThePagesModeAndOwner)
{
    TempFolder site;
    files::RealFileSystem fileSystem;
    const ::mode_t mask = ::umask(022);
    for (const ::mode_t mode : {0600, 0640, 0644, 0400}) {
        SCOPED_TRACE(mode);
        const std::string name = "p" + std::to_string(mode) + ".htm";
        const auto page = site.write(name, "<p>secret</p>");
        ASSERT_EQ(::chmod(page.c_str(), mode), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(page.c_str(), 65534, 65534), 0);
        }
        ASSERT_FALSE(files::MakeBackup(page.native(), "<p>secret</p>", fileSystem));
        struct stat pageInfo
        {
        };
        struct stat backupInfo
        {
        };
        ASSERT_EQ(::stat(page.c_str(), &pageInfo), 0);
        ASSERT_EQ(::stat((page.native() + ".bak").c_str(), &backupInfo), 0);
        EXPECT_EQ(backupInfo.st_mode & 0777, mode);
        EXPECT_EQ(backupInfo.st_uid, pageInfo.st_uid);
        EXPECT_EQ(backupInfo.st_gid, pageInfo.st_gid);
    }
    ::umask(mask);
}

TEST(CollapseSeparators, JoinsPairsFromTheLeft)
{
    EXPECT_EQ(files::CollapseSeparators("/out//sub//a.htm"), "/out/sub/a.htm");
    EXPECT_EQ(files::CollapseSeparators("/out///a.htm"), "/out//a.htm");
    EXPECT_EQ(files::CollapseSeparators("////a"), "//a");
    EXPECT_EQ(files::CollapseSeparators("a/b"), "a/b");
}
