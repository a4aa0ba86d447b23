#include <gtest/gtest.h>

#include "wording/RunWording.h"

using namespace quorlane;

// The message of a copy whose target folder takes no file names the system's words only when
// they tell more than that the folder is read-only.
TEST(StopMessage, TellsTheSystemsWordsOnlyWhenTheyAddToReadOnly)
{
    const std::tuple<const char*, int, const char*, std::u16string> cases[] = {
        {"read-only disk", EROFS, "Read-only file system", u"/site/out is read-only."},
        {"access refused", EACCES, "Permission denied",
         u"/site/out is read-only (Permission denied)."},
    };
    for (const auto& [caseName, code, systemText, expected] : cases) {
        SCOPED_TRACE(caseName);
        run::FailureCause cause;
        cause.kind = run::FailureCause::Kind::FolderReadOnly;
        cause.folder = core::PathFromText(u"/site/out");
        cause.error = files::FileError{files::FileError::Kind::Access, code, systemText, {}};
        const std::u16string text = wording::StopMessage(cause).text;
        EXPECT_NE(text.find(u"Nothing can be written into the target folder: " + expected),
                  std::u16string::npos);
    }
}
