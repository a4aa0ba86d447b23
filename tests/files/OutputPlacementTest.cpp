#include "files/OutputPlacement.h"

#include <gtest/gtest.h>

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
        return files::FileResult(test::Failure(files::FileError::Kind::Access));
    });
    std::optional<files::BackupFailure> failure;
    FileRecord own{"", "/site/index.htm"};
    EXPECT_EQ(files::PlaceOutput(own, saving(SaveMode::CreateNew), fileSystem, {}, failure),
              "/site/protected_index.htm");
    EXPECT_EQ(own, (FileRecord{"", "/site/protected_index.htm"}));

    FileRecord inFolder{"/site", "/sub/index.htm"};
    EXPECT_EQ(files::PlaceOutput(inFolder, saving(SaveMode::CreateNew), fileSystem, {}, failure),
              "/site/sub/protected_index.htm");
    EXPECT_EQ(inFolder, (FileRecord{"/site", "/site/sub/protected_index.htm"}));

    FileRecord atRoot{"/", "index.htm"};
    EXPECT_EQ(files::PlaceOutput(atRoot, saving(SaveMode::CreateNew), fileSystem, {}, failure),
              "/protected_index.htm");
    // A bare name is a page in the current folder, never one at the root.
    FileRecord bare{"", "index.htm"};
    EXPECT_EQ(files::PlaceOutput(bare, saving(SaveMode::CreateNew), fileSystem, {}, failure),
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
                                 {}, failure),
              out.str() + "/sub/index.htm");
    EXPECT_EQ(inFolder, (FileRecord{out.str(), "/sub/index.htm"}));
    EXPECT_TRUE(test::fs::is_directory(out.path() / "sub"));

    // A page picked on its own lands in the folder itself; the record shows the path as built,
    // doubled separator and all.
    FileRecord own{"", "/elsewhere/a.htm"};
    EXPECT_EQ(files::PlaceOutput(own, saving(SaveMode::CopyToFolder, out.str() + "/"), fileSystem,
                                 {}, failure),
              out.str() + "/a.htm");
    EXPECT_EQ(own, (FileRecord{"", out.str() + "//a.htm"}));
}

// The backup holds the bytes the run read, whatever the file holds by now; it replaces an older
// backup, and is made in Overwrite mode only.
TEST(PlaceOutput, OverwriteMakesAFreshBackupOfWhatWasRead)
{
    TempFolder site;
    site.write("index.htm", "changed since");
    site.write("index.htm.bak", "older backup");
    files::RealFileSystem fileSystem;
    std::optional<files::BackupFailure> failure;
    FileRecord record{site.str(), "/index.htm"};
    core::ProtectionSettings settings = saving(SaveMode::Overwrite);
    EXPECT_EQ(files::PlaceOutput(record, settings, fileSystem, "as read", failure),
              site.str() + "/index.htm");
    EXPECT_EQ(site.read("index.htm.bak"), "as read");
    EXPECT_EQ(record, (FileRecord{site.str(), "/index.htm"}));

    settings.makeBackups = false;
    files::PlaceOutput(record, settings, fileSystem, "other", failure);
    EXPECT_EQ(site.read("index.htm.bak"), "as read");
    settings = saving(SaveMode::CreateNew);
    files::PlaceOutput(record, settings, fileSystem, "other", failure);
    EXPECT_EQ(site.read("index.htm.bak"), "as read");
}

// Something of the backup's name that is not a regular file is never removed or replaced.
TEST(PlaceOutput, ABackupNameThatIsNoFileIsLeftAlone)
{
    TempFolder site;
    site.write("empty.htm", "e");
    test::fs::create_directories(site.path() / "empty.htm.bak");
    site.write("full.htm", "f");
    site.write("full.htm.bak/kept.txt", "kept");
    site.write("linked.htm", "l");
    test::fs::create_symlink("elsewhere", site.path() / "linked.htm.bak");
    files::RealFileSystem fileSystem;
    for (const std::string name : {"empty.htm", "full.htm", "linked.htm"}) {
        SCOPED_TRACE(name);
        std::optional<files::BackupFailure> failure;
        FileRecord record{site.str(), "/" + name};
        EXPECT_TRUE(
            files::PlaceOutput(record, saving(SaveMode::Overwrite), fileSystem, "x", failure)
                .empty());
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->backup, site.str() + "/" + name + ".bak");
    }
    EXPECT_TRUE(test::fs::is_directory(site.path() / "empty.htm.bak"));
    EXPECT_EQ(site.read("full.htm.bak/kept.txt"), "kept");
    EXPECT_TRUE(test::fs::is_symlink(site.path() / "linked.htm.bak"));
}

TEST(CollapseSeparators, JoinsPairsFromTheLeft)
{
    EXPECT_EQ(files::CollapseSeparators("/out//sub//a.htm"), "/out/sub/a.htm");
    EXPECT_EQ(files::CollapseSeparators("/out///a.htm"), "/out//a.htm");
    EXPECT_EQ(files::CollapseSeparators("////a"), "//a");
    EXPECT_EQ(files::CollapseSeparators("a/b"), "a/b");
}
