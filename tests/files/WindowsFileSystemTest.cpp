// The platform layer as Windows gives it: file identity and the locks of TreeLocks.
#include <gtest/gtest.h>

#include "files/FileSystem.h"
#include "files/TreeLocks.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using test::TempFolder;

// One file, however its path is spelt: separators either way, letters in either case, ".".
TEST(WindowsIdentity, IsTheFilesWhateverThePathsSpelling)
{
    TempFolder folder;
    folder.write("Site/Page.html", "<p>x</p>");
    folder.write("Site/other.html", "<p>y</p>");
    files::RealFileSystem fileSystem;
    const std::wstring base = folder.str();
    const auto page = fileSystem.identity(base + L"\\Site\\Page.html");
    ASSERT_TRUE(page);
    EXPECT_EQ(fileSystem.identity(base + L"/site/page.HTML"), page);
    EXPECT_EQ(fileSystem.identity(base + L"\\Site\\.\\Page.html"), page);
    EXPECT_NE(fileSystem.identity(base + L"\\Site\\other.html"), page);
    EXPECT_EQ(fileSystem.identity(base + L"\\Site\\missing.html"), std::nullopt);
    EXPECT_TRUE(fileSystem.identity(base + L"\\Site"));
}

// Two runs over trees where one holds the other: the later one is kept off; runs side by side
// both go on, and a run that lets go lets the other in.
TEST(WindowsTreeLocks, KeepNestedRunsApartAndLetRunsSideBySideGoOn)
{
    TempFolder folder;
    folder.write("site/a/page.html", "<p>a</p>");
    folder.write("site/b/page.html", "<p>b</p>");
    const std::wstring site = folder.str() + L"\\site";

    files::TreeLocks whole;
    whole.add(site);
    ASSERT_EQ(whole.tryTake(), std::nullopt);

    files::TreeLocks inner;
    inner.add(site + L"\\a");
    EXPECT_TRUE(inner.tryTake().has_value());

    whole.release();
    files::TreeLocks beside;
    beside.add(site + L"\\b");
    inner.release();
    inner.add(site + L"\\a");
    EXPECT_EQ(inner.tryTake(), std::nullopt);
    EXPECT_EQ(beside.tryTake(), std::nullopt);
}

// A page given on its own stays readable and replaceable while its run holds its locks; the
// folder it lies in is shared with other runs.
TEST(WindowsTreeLocks, LeaveAPageGivenOnItsOwnReadableAndReplaceable)
{
    TempFolder folder;
    folder.write("page.html", "<p>old</p>");
    folder.write("other.html", "<p>other</p>");
    const std::wstring page = folder.str() + L"\\page.html";
    files::TreeLocks locks;
    locks.add(page);
    ASSERT_EQ(locks.tryTake(), std::nullopt);

    files::TreeLocks other;
    other.add(folder.str() + L"\\other.html");
    EXPECT_EQ(other.tryTake(), std::nullopt);

    files::RealFileSystem fileSystem;
    std::string bytes;
    ASSERT_TRUE(fileSystem.readFile(page, bytes).ok());
    EXPECT_EQ(bytes, "<p>old</p>");
    EXPECT_TRUE(fileSystem.writeFile(page, "<p>new</p>", files::Durability::Synced).ok());
    EXPECT_EQ(folder.read("page.html"), "<p>new</p>");
}
