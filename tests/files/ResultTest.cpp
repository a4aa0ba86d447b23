#include <gtest/gtest.h>

#include "files/FileError.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using files::FileError;

namespace {

FileError accessError(const char* path)
{
    return files::classify(std::make_error_code(std::errc::permission_denied), test::Native(path));
}

} // namespace

// A failure comes out as it went in, kind, number, text and path, also when it is moved on
// into the result of another type.
TEST(Result, KeepsTheErrorAndItsPath)
{
    const files::Result<std::uint64_t> size = accessError("/site/page.htm");
    ASSERT_TRUE(size.failed());
    EXPECT_FALSE(size.ok());
    EXPECT_EQ(size.error().kind, FileError::Kind::Access);
    EXPECT_EQ(size.error().code, static_cast<int>(std::errc::permission_denied));
    EXPECT_EQ(size.error().path, test::Native("/site/page.htm"));
    EXPECT_EQ(size.valueOr(7), 7u);

    const files::Status passedOn = files::Result<std::string>(size.error()).error();
    ASSERT_TRUE(passedOn.failed());
    EXPECT_EQ(passedOn.error().path, test::Native("/site/page.htm"));
    EXPECT_EQ(passedOn.error().text, size.error().text);

    const files::Result<std::uint64_t> measured = std::uint64_t{42};
    ASSERT_TRUE(measured.ok());
    EXPECT_EQ(measured.value(), 42u);
    EXPECT_EQ(measured.valueOr(7), 42u);
    EXPECT_TRUE(files::Status().ok());
}

// Failures that differ only in the file they concern are one failure: the summary of a run
// says once what many pages share.
TEST(Result, ErrorsAreAlikeWhateverFileTheyConcern)
{
    EXPECT_EQ(accessError("/site/a.htm"), accessError("/site/b.htm"));
    EXPECT_NE(accessError("/site/a.htm"),
              files::classify(std::make_error_code(std::errc::no_such_file_or_directory),
                              test::Native("/site/a.htm")));
}

// A death test starts the test program again, which the Windows tests, run under an emulator,
// do not try.
#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
// Asking for the side a result does not hold ends the program in every build: it never reads
// a value that is not there.
TEST(ResultDeathTest, TheOtherSideIsNeverRead)
{
    const files::Result<std::string> failed = accessError("/site/page.htm");
    EXPECT_DEATH(static_cast<void>(failed.value()), "value\\(\\) of a failed result");
    const files::Result<std::string> read = std::string("bytes");
    EXPECT_DEATH(static_cast<void>(read.error()), "error\\(\\) of a success");
    const files::Status done;
    EXPECT_DEATH(static_cast<void>(done.error()), "error\\(\\) of a success");
}
#endif
