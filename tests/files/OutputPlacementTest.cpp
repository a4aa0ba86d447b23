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
    std::optional<files::Message> failure;
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
    EXPECT_FALSE(failure);
}

TEST(PlaceOutput, CopyToFolderKeepsTheFoldersBelowTheAddedFolder)
{
    TempFolder out;
    files::RealFileSystem fileSystem;
    std::optional<files::Message> failure;
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

TEST(PlaceOutput, OverwriteMakesAFreshBackupWhenAsked)
{
    TempFolder site;
    site.write("index.htm", "original");
    site.write("index.htm.bak", "older backup");
    files::RealFileSystem fileSystem;
    std::optional<files::Message> failure;
    FileRecord record{site.str(), "/index.htm"};
    core::ProtectionSettings settings = saving(SaveMode::Overwrite);
    EXPECT_EQ(files::PlaceOutput(record, settings, fileSystem, failure), site.str() + "/index.htm");
    EXPECT_EQ(site.read("index.htm.bak"), "original");
    EXPECT_EQ(record, (FileRecord{site.str(), "/index.htm"}));

    site.write("index.htm", "changed");
    settings.makeBackups = false;
    files::PlaceOutput(record, settings, fileSystem, failure);
    EXPECT_EQ(site.read("index.htm.bak"), "original");
    // Backups belong to Overwrite only.
    settings = saving(SaveMode::CreateNew);
    files::PlaceOutput(record, settings, fileSystem, failure);
    EXPECT_EQ(site.read("index.htm.bak"), "original");
}

TEST(PlaceOutput, BackupFailuresGiveTheirMessageAndNoPath)
{
    TempFolder site;
    site.write("index.htm", "original");
    FaultyFileSystem fileSystem;
    std::optional<files::Message> failure;
    const std::u16string backup = core::TextFromPath(site.str()) + u"/index.htm.bak";
    for (const auto& [kind, expected] :
         {std::pair{files::FileError::Kind::Access,
                    files::Message{files::Message::Icon::None, u"Quorlane",
                                   u"Unable to Access File, Your file(s) may be read-only."}},
          std::pair{files::FileError::Kind::Other,
                    files::Message{files::Message::Icon::Warning, u"Quorlane",
                                   u"Unknown Error 28\r\nNo space left on device: " + backup}}}) {
        fileSystem.setFault(
            [kind = kind](FaultyFileSystem::Operation operation, const core::PathString&) {
                return operation == FaultyFileSystem::Operation::Copy
                           ? files::FileResult(test::Failure(kind))
                           : std::nullopt;
            });
        FileRecord record{site.str(), "/index.htm"};
        EXPECT_TRUE(
            files::PlaceOutput(record, saving(SaveMode::Overwrite), fileSystem, failure).empty());
        ASSERT_TRUE(failure);
        EXPECT_EQ(*failure, expected);
    }
    EXPECT_EQ(site.read("index.htm"), "original");
}

TEST(CollapseSeparators, JoinsPairsFromTheLeft)
{
    EXPECT_EQ(files::CollapseSeparators("/out//sub//a.htm"), "/out/sub/a.htm");
    EXPECT_EQ(files::CollapseSeparators("/out///a.htm"), "/out//a.htm");
    EXPECT_EQ(files::CollapseSeparators("////a"), "//a");
    EXPECT_EQ(files::CollapseSeparators("a/b"), "a/b");
}
