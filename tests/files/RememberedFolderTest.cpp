#include "files/RememberedFolder.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

using namespace quorlane;
using test::TempFolder;

TEST(RememberedFolder, IsWhatWasLastWrittenWhileThatFolderExists)
{
    TempFolder program;
    TempFolder site;
    EXPECT_TRUE(files::ReadRememberedFolder(program.str()).empty());
    // Writing needs the file to exist.
    files::WriteRememberedFolder(program.str(), site.str());
    EXPECT_TRUE(files::ReadRememberedFolder(program.str()).empty());

    files::CreateRememberedFolderFile(program.str());
    files::WriteRememberedFolder(program.str(), site.str() + test::Native("/"));
    EXPECT_EQ(program.read("filepath.txt"),
              core::Utf16ToUtf8(core::TextFromPath(site.str() + test::Native("/"))));
    EXPECT_EQ(files::ReadRememberedFolder(program.str()), site.str() + test::Native("/"));

    // An emptied file, or a folder that is gone, remembers nothing.
    files::CreateRememberedFolderFile(program.str());
    EXPECT_TRUE(files::ReadRememberedFolder(program.str()).empty());
    files::WriteRememberedFolder(program.str(), site.str() + test::Native("/gone"));
    EXPECT_TRUE(files::ReadRememberedFolder(program.str()).empty());
}
