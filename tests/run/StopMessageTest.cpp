#include <gtest/gtest.h>

#include "wording/EndWording.h"
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

// The last status line of a run, as the command line and the window end with it.
TEST(FinalStatus, TellsHowTheRunEnded)
{
    run::FailureCause readOnly;
    readOnly.kind = run::FailureCause::Kind::FolderReadOnly;
    readOnly.folder = core::PathFromText(u"/site/out");
    const auto summary = [](std::size_t listed, std::size_t taken, std::size_t recorded) {
        run::RunSummary made;
        made.listed = listed;
        made.taken = taken;
        made.recorded = recorded;
        return made;
    };
    run::RunSummary cancelledOfOne = summary(1, 0, 0);
    cancelledOfOne.cancelled = true;
    run::RunSummary cancelled = summary(5, 2, 2);
    cancelled.cancelled = true;
    run::RunSummary stopped = summary(4, 1, 0);
    stopped.targetUnwritable = readOnly;
    const std::u16string protectedTwo = u"The following 2 files have been protected";
    const std::u16string scanning(wording::scanningText);
    // The case, the run's end, its counts and last status, then the command line's last line
    // and the window's.
    const std::tuple<const char*, run::RunSummary, wording::EndCounts, std::u16string,
                     std::u16string, std::u16string>
        cases[] = {
            {"cancelled, one page",
             cancelledOfOne,
             {},
             scanning,
             u"Cancelled after 0 of 1 page",
             u"Cancelled after 0 of 1 page"},
            {"cancelled",
             cancelled,
             {1, 0},
             protectedTwo,
             u"Cancelled after 2 of 5 pages",
             u"Cancelled after 2 of 5 pages"},
            {"target unwritable",
             stopped,
             {1, 0},
             scanning,
             u"No files have been protected: 1 failed",
             wording::StopMessage(readOnly).text},
            {"nothing protected",
             summary(3, 3, 0),
             {2, 1},
             scanning,
             u"No files have been protected: 2 failed, 1 already protected",
             u"No files have been protected: 2 failed, 1 already protected"},
            {"all protected already",
             summary(1, 1, 0),
             {0, 1},
             scanning,
             u"No files have been protected: 1 already protected",
             u"No files have been protected: 1 already protected"},
            {"some failed",
             summary(6, 6, 2),
             {4, 0},
             protectedTwo,
             protectedTwo,
             protectedTwo + u"; 4 could not be protected"},
            {"all protected", summary(2, 2, 2), {}, protectedTwo, protectedTwo, protectedTwo},
            {"no pages found",
             summary(0, 0, 0),
             {},
             u"No files found to protect",
             u"No files found to protect",
             u"No files found to protect"},
            {"turned away after the scan",
             summary(0, 0, 0),
             {},
             scanning,
             u"No files have been protected",
             u"No files have been protected"},
        };
    for (const auto& [caseName, ended, counts, last, commandLine, window] : cases) {
        SCOPED_TRACE(caseName);
        EXPECT_EQ(wording::FinalStatus(ended, counts, last), commandLine);
        EXPECT_EQ(wording::FinalStatusInWindow(ended, counts, last), window);
    }
}

// An undo held up by another run says so in the words of both front ends.
TEST(FinalStatus, AnUndoHeldUpSaysNothingWasUndone)
{
    const core::PathString site = core::PathFromText(u"/site");
    EXPECT_EQ(wording::UndoBusyText(site, false),
              u"Another run of Quorlane is at work on /site. Nothing was undone; please try again "
              u"when it has finished.");
    EXPECT_EQ(wording::UndoBusyText(site, true),
              u"Another run of Quorlane is at work on /site. Nothing was undone; try again when "
              u"it has finished, or give --wait.");
}
