#include <gtest/gtest.h>

#include "core/FileRecord.h"
#include "core/PageTransformer.h"
#include "core/Utf8.h"

using namespace quorlane::core;

namespace {

// A path written with "/", in the platform's own separator.
PathString native(std::string_view path)
{
    return PathFromAddress(Utf8ToUtf16(path));
}

} // namespace

TEST(getFilePathOnly, KeepsEverythingUpToTheLastSeparator)
{
    EXPECT_EQ(getFilePathOnly(native("/site/pages/a.htm")), native("/site/pages/"));
    EXPECT_EQ(getFilePathOnly(native("/a.htm")), native("/"));
    EXPECT_EQ(getFilePathOnly(native("a.htm")), PathString());
    EXPECT_EQ(getFilePathOnly(native("site/")), native("site/"));
}

#ifdef _WIN32
// Windows takes "/" for "\": a page named "enc/page.html" lies in the folder "enc/".
TEST(getFilePathOnly, SplitsOnEitherSeparatorOnWindows)
{
    EXPECT_EQ(getFilePathOnly(L"enc/page.html"), L"enc/");
    EXPECT_EQ(getFilePathOnly(L"C:\\site\\enc/page.html"), L"C:\\site\\enc/");
    EXPECT_EQ(getFilePathOnly(L"C:/site/sub\\page.html"), L"C:/site/sub\\");
}
#endif

// A frame's address names its page in the frameset's folder with the platform's separator
// throughout, so that the page is found, placed and counted as handled under one path.
TEST(FramePageRecord, JoinsTheAddressWithTheFramesetsFolderInOneSeparator)
{
    const FileRecord frameset{native("/site"), native("/pages/index.htm")};
    EXPECT_EQ(FramePageRecord(frameset, u"sub/right.htm"),
              (FileRecord{native("/site"), native("/pages/sub/right.htm")}));
    EXPECT_EQ(FramePageRecord(frameset, u"left page.htm"),
              (FileRecord{native("/site"), native("/pages/left page.htm")}));
    EXPECT_EQ(FramePageRecord(frameset, u"http://www.other.example/x.htm"), std::nullopt);

    // A frameset picked on its own is the root of its frame pages.
    const FileRecord alone{PathString(), native("/site/set.htm")};
    EXPECT_EQ(FramePageRecord(alone, u"a/b/c.htm"),
              (FileRecord{native("/site"), native("/a/b/c.htm")}));
#ifdef _WIN32
    EXPECT_EQ(FramePageRecord(alone, u"a/b/c.htm")->fullPath(), L"\\site\\a\\b\\c.htm");
#endif
}

TEST(PathFromAddress, LeavesNoForwardSlashOnWindowsAndChangesNothingElsewhere)
{
    const PathString path = PathFromAddress(u"sub/d\u00E9j\u00E0/page.htm");
    EXPECT_EQ(TextFromPath(getFilePathOnly(path)), std::u16string(u"sub") +
                                                       char16_t(pathSeparator) + u"d\u00E9j\u00E0" +
                                                       char16_t(pathSeparator));
#ifdef _WIN32
    EXPECT_EQ(path.find(L'/'), PathString::npos);
#else
    EXPECT_EQ(path, "sub/d\xC3\xA9j\xC3\xA0/page.htm");
#endif
}
