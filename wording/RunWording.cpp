#include "wording/RunWording.h"

#include <cerrno>

#include "core/ScriptText.h"
#include "core/TextSearch.h"
#include "core/Utf8.h"

namespace quorlane::wording {

namespace {

using run::PageFailure;
using run::Refusal;

std::u16string decimal(std::uint64_t n)
{
    return core::Utf8ToUtf16(std::to_string(n));
}

std::u16string text(const core::PathString& path)
{
    return core::TextFromPath(path);
}

Message warning(std::u16string message)
{
    return {Message::Icon::Warning, u"Quorlane", std::move(message)};
}

std::u16string atWork(const core::PathString& path)
{
    return u"Another run of Quorlane is at work on " + text(path) + u".";
}

// The failure in plain words where the system's own text would puzzle (a name too long for the
// file system, something that is not a regular file); empty otherwise.
std::u16string plainReason(const files::FileError& error)
{
    if (error.kind == files::FileError::Kind::NotRegularFile) {
        return u"It is not a regular file, so it was left as it is.";
    }
    if (error.kind == files::FileError::Kind::Other && error.code == ENAMETOOLONG) {
        return u"The name is too long for the file system.";
    }
    return {};
}

std::u16string fieldMessage(run::LockField field)
{
    switch (field) {
    case run::LockField::Domain:
        return u"Please Enter a Domain";
    case run::LockField::Url:
        return u"Please Enter a URL";
    case run::LockField::Password:
        return u"Please Enter a Password";
    case run::LockField::SaveDir:
        return u"Please Enter a Folder";
    case run::LockField::Notice:
        break;
    }
    return std::u16string(core::unsafeNoticeMessage);
}

Message writeFailure(const PageFailure& failure)
{
    const files::FileError& error = failure.error;
    if (error.kind == files::FileError::Kind::Access) {
        return warning(u"Unable to Access File: " + text(failure.path) +
                       u".\r\nThe file may be read-only.");
    }
    std::u16string plain = plainReason(error);
    if (error.kind == files::FileError::Kind::Other && failure.newName && !plain.empty()) {
        plain = u"The name is too long for the file system once \"protected_\" is put in front "
                u"of the page's name.";
    }
    if (!plain.empty()) {
        return warning(u"Unable to Write File: " + text(failure.path) + u".\r\n" + plain);
    }
    return warning(UnknownErrorText(error, failure.path));
}

// Written from the bytes the run read: whatever the page became meanwhile, it stays.
Message backupFailure(const PageFailure& failure)
{
    const std::u16string name = text(failure.path);
    if (failure.error.kind == files::FileError::Kind::Access) {
        return {Message::Icon::None, u"Quorlane",
                u"Unable to Access File, Your file(s) may be read-only: " + name + u"."};
    }
    if (const std::u16string plain = plainReason(failure.error); !plain.empty()) {
        return warning(u"Unable to Make Backup: " + name + u".\r\n" + plain +
                       u" The page was not protected.");
    }
    return warning(UnknownErrorText(failure.error, failure.path));
}

// Why a written page was not put in place: it did not read back as the page it was made from.
std::u16string notVerifiedWhy(const PageFailure& failure)
{
    switch (failure.kind) {
    case PageFailure::Kind::ReadBackFailed:
        return u"it could not be read.";
    case PageFailure::Kind::NotInEncoding:
        return u"its bytes were not " + core::Utf8ToUtf16(failure.detail) + u".";
    default:
        break;
    }
    switch (failure.fault) {
    case core::VerifyFault::Kind::NoMarker:
        return u"it did not end with the protected-page marker.";
    case core::VerifyFault::Kind::PageTop:
        return u"the script block at its top was not whole.";
    case core::VerifyFault::Kind::BrokenBlock:
        return u"one of its writer blocks was cut short or held something unescape cannot read.";
    case core::VerifyFault::Kind::MissingDoctype:
        return u"the DOCTYPE at its top was not the page's own.";
    case core::VerifyFault::Kind::Difference:
        break;
    }
    return u"the markup it writes back differs from the page from line " + decimal(failure.count) +
           u" of the page on.";
}

std::u16string targetHoldsOthers(const Refusal& refusal)
{
    std::u16string names;
    for (const core::PathString& file : refusal.examples) {
        names += (names.empty() ? u"" : u", ") + text(file);
    }
    if (refusal.count > refusal.examples.size()) {
        names += u", ...";
    }
    return u"The target folder " + text(refusal.path) + u" already holds " +
           decimal(refusal.count) + (refusal.count == 1 ? u" file" : u" files") +
           u" that the copy would replace and that no run of Quorlane wrote: " + names +
           u".\r\nNothing was written. Please choose another folder.";
}

} // namespace

std::optional<Message> SkipMessage(const run::PageOutcome& outcome)
{
    if (outcome.kind != run::PageOutcome::Kind::Skipped ||
        outcome.reason != run::SkipReason::NotAPage) {
        return std::nullopt;
    }
    return Message{Message::Icon::Information, u"Quorlane",
                   u"Not a page: " + text(outcome.page) +
                       u" does not begin as a web page does, so it was left as it is."};
}

std::u16string UnknownErrorText(const files::FileError& error, const core::PathString& file)
{
    std::u16string message = u"Unknown Error " + core::Utf8ToUtf16(std::to_string(error.code));
    message += u"\r\n";
    message += core::Utf8ToUtf16(error.text);
    if (!file.empty()) {
        message += u": ";
        message += text(file);
    }
    return message;
}

std::string ManifestProblemText(const run::ManifestProblem& problem)
{
    switch (problem.kind) {
    case run::ManifestProblem::Kind::Unreadable:
        return "it cannot be read (" + problem.detail + ")";
    case run::ManifestProblem::Kind::NotARecord:
        return "it is not the record of a Quorlane run";
    case run::ManifestProblem::Kind::OtherVersion:
        return "it was written by another version of Quorlane";
    case run::ManifestProblem::Kind::Untrusted:
        return "it is refused, and nothing was changed: " + problem.detail;
    case run::ManifestProblem::Kind::Malformed:
        break;
    }
    return "it cannot be read as the record of a run (" + problem.detail + ")";
}

Message RefusalMessage(const Refusal& refusal)
{
    switch (refusal.kind) {
    case Refusal::Kind::NothingPicked:
        return warning(u"No files were picked to be protected");
    case Refusal::Kind::FieldUnusable:
        return warning(fieldMessage(refusal.field.value_or(run::LockField::SaveDir)));
    case Refusal::Kind::TargetHolds:
        return warning(
            u"The target folder " + text(refusal.path) +
            (refusal.entryIsFolder
                 ? u" is the added folder " + text(refusal.entry) +
                       u".\r\nIts pages would be replaced by their protected pages, with no backup."
                 : u" holds the picked page " + text(refusal.entry) +
                       u".\r\nThe page would be replaced by its protected page, with no backup.") +
            u" Please choose another folder.");
    case Refusal::Kind::OtherRunAtWork:
        return warning(atWork(refusal.path) +
                       u"\r\nNothing was protected; please try again when it has finished.");
    case Refusal::Kind::TargetHoldsOthers:
        return warning(targetHoldsOthers(refusal));
    case Refusal::Kind::BackupsInSite:
        return warning(u"The backup folder " + text(refusal.path) + u" and " +
                       (refusal.entryIsFolder ? u"the added folder " : u"the folder of the page ") +
                       text(refusal.entry) +
                       u" lie one inside the other.\r\nBackups hold the pages in clear: they must "
                       u"be kept outside the "
                       u"site, where they are not published with it. Please choose another "
                       u"folder.");
    case Refusal::Kind::RecordInSite:
        return warning(u"The record " + text(refusal.path) + u" would lie in " +
                       text(refusal.entry) +
                       u", which is published, and name the backup folder by its path on this "
                       u"machine.\r\nPlease put the record outside the site, or leave it where "
                       u"the run puts it.");
    case Refusal::Kind::NoKey:
        break;
    }
    return warning(u"Unable to encrypt the pages: " + core::Utf8ToUtf16(refusal.detail));
}

std::u16string counted(std::size_t n, std::u16string_view one, std::u16string_view many)
{
    return decimal(n) + u" " + std::u16string(n == 1 ? one : many);
}

Message LeakMessage(const run::PublishedLeak& leak)
{
    const bool one = leak.files == 1;
    std::u16string message = text(leak.firstFile);
    if (!one) {
        message += u" and " + counted(leak.files - 1, u"more file", u"more files") + u" of " +
                   leak.exclude;
    }
    message += (one ? u" gives away the hidden text of " : u" give away the hidden text of ") +
               counted(leak.pages, u"protected page", u"protected pages") +
               (leak.pages == 1 ? u": " : u", among them ") + text(leak.firstPage) + u".";
    const std::u16string them = one ? u"it" : u"them";
    if (leak.withheld) {
        message += u" Since the pages are encrypted, the copy leaves " + them +
                   u" out. To publish " + them + u" all the same, use the pattern '" +
                   leak.exclude + u"' with --publish-anyway.";
    } else {
        message += u" " + std::u16string(one ? u"It is" : u"They are") +
                   u" published with the site: leave " + them + u" out with the exclude pattern '" +
                   leak.exclude + u"'.";
    }
    return warning(std::move(message));
}

std::optional<Message> NoticeMessage(const run::RunNotice& notice)
{
    switch (notice.kind) {
    case run::RunNotice::Kind::HiddenTextPublished:
        if (notice.leak) {
            return LeakMessage(*notice.leak);
        }
        return std::nullopt;
    case run::RunNotice::Kind::WaitingForOtherRun:
        return Message{Message::Icon::Information, u"Quorlane",
                       atWork(notice.path) + u" Waiting for it to finish."};
    case run::RunNotice::Kind::LinkLeavesSite:
        return Message{
            Message::Icon::Information, u"Quorlane",
            u"Passed over " + text(notice.path) + u": it is a link to " +
                (notice.target.empty() ? u"a folder that is not there" : text(notice.target)) +
                u", outside the added folder, so its pages were not protected."};
    case run::RunNotice::Kind::PageLeavesSite:
        return Message{
            Message::Icon::Information, u"Quorlane",
            u"Passed over " + text(notice.path) + u": it is a link to " +
                (notice.target.empty() ? u"a page that is not there" : text(notice.target)) +
                u", outside the added folder, so it was not protected."};
    case run::RunNotice::Kind::SystemFolder:
        return Message{Message::Icon::Information, u"Quorlane",
                       u"Passed over " + text(notice.path) +
                           u": it holds the system's own files (processes, devices), never a "
                           u"site's, so it was not entered."};
    case run::RunNotice::Kind::FrameLeavesSite:
        return Message{Message::Icon::Information, u"Quorlane",
                       u"Passed over the frame page " + text(notice.path) + u": it lies outside " +
                           text(notice.target) +
                           u", the folder of its frameset's site, so it was not protected."};
    default:
        return std::nullopt;
    }
}

Message StopMessage(const run::FailureCause& cause)
{
    const std::u16string folder = text(cause.folder);
    const std::u16string why = cause.error ? core::Utf8ToUtf16(cause.error->text) : u"";
    const std::u16string stopped = u" Nothing was protected: the run stopped after the first page.";
    if (cause.kind == run::FailureCause::Kind::FolderNotMade) {
        return warning(u"The target folder cannot be made: " + folder + u" could not be created (" +
                       why + u")." + stopped);
    }
    // The system's words only when they add to "read-only" ("Read-only file system" does not).
    const bool repeats = why.empty() || core::ContainsIgnoreCase(why, u"read-only");
    return warning(u"Nothing can be written into the target folder: " + folder + u" is read-only" +
                   (repeats ? u"" : u" (" + why + u")") + u"." + stopped);
}

Message FailureMessage(const PageFailure& failure)
{
    const std::u16string path = text(failure.path);
    switch (failure.kind) {
    case PageFailure::Kind::ReadFailed: {
        const std::u16string plain = plainReason(failure.error);
        return warning(u"Unable to Read File: " + path + u".\r\n" +
                       (plain.empty() ? core::Utf8ToUtf16(failure.error.text) : plain));
    }
    case PageFailure::Kind::FolderUnreadable:
        return warning(u"Unable to Read Folder: " + path + u".\r\n" +
                       core::Utf8ToUtf16(failure.error.text) +
                       u"\r\nThe pages in it were not protected.");
    case PageFailure::Kind::BackupFailed:
        return backupFailure(failure);
    case PageFailure::Kind::WriteFailed:
        return writeFailure(failure);
    case PageFailure::Kind::ReadBackFailed:
    case PageFailure::Kind::NotInEncoding:
    case PageFailure::Kind::NotVerified:
        return warning(u"Unable to Write File: " + path +
                       u".\r\nThe protected page was read back and checked before it replaced "
                       u"anything, and " +
                       notVerifiedWhy(failure) +
                       u" So it was not written, and the page was left as it is.");
    case PageFailure::Kind::ChangedOnDisk:
        return warning(u"Unable to Overwrite File: " + path +
                       u".\r\nIt was changed on disk while it was being protected, so it was "
                       u"left as it is.");
    case PageFailure::Kind::HardLinks:
        return warning(u"Unable to Overwrite File: " + path + u".\r\nIt has " +
                       decimal(failure.count) +
                       u" names (hard links), and replacing it would leave the others in clear "
                       u"text, so it was left as it is. Save the protected pages as new files or "
                       u"into a folder instead.");
    case PageFailure::Kind::OutputIsListed:
        return warning(u"Unable to Write File: " + path +
                       u".\r\nIt is a page of this run itself, which the protected page would "
                       u"replace with no backup, so it was left as it is.");
    case PageFailure::Kind::OutsideTarget:
        return warning(u"Unable to Write File: " + path +
                       u".\r\nIts path climbs above the folder it was found in, so its place in "
                       u"the copy would lie outside the target folder " +
                       text(failure.output) + u"; it was not written.");
    case PageFailure::Kind::CopyFailed: {
        std::u16string why = plainReason(failure.error);
        if (why.empty()) {
            why = core::Utf8ToUtf16(failure.error.text) +
                  (failure.error.kind == files::FileError::Kind::Access
                       ? u": the file cannot be read, or its copy " + text(failure.output) +
                             u" is read-only."
                       : u" (copying to " + text(failure.output) + u").");
        }
        return warning(u"Unable to Copy File: " + path + u".\r\n" + why);
    }
    case PageFailure::Kind::CopyLeavesFolder:
        return warning(u"Unable to Copy File: " + path +
                       u".\r\nIt is reached through a link that leads out of the added folder " +
                       text(failure.output) + u", so it was not copied.");
    case PageFailure::Kind::CopyIsSource:
        return warning(u"Unable to Copy File: " + path + u".\r\nIts copy " + text(failure.output) +
                       u" would replace a file of this run itself, so it was left as it is.");
    case PageFailure::Kind::FolderNotMade: {
        std::u16string why = plainReason(failure.error);
        if (why.empty()) {
            why = failure.error.kind == files::FileError::Kind::NameTaken
                      ? u"A file of that name stands in its place."
                      : core::Utf8ToUtf16(failure.error.text);
        }
        return warning(u"Unable to Create Folder: " + path + u".\r\n" + why);
    }
    case PageFailure::Kind::RecordFailed:
        return warning(u"Unable to Write the Record of the Run: " + path + u".\r\n" +
                       core::Utf8ToUtf16(failure.error.text) +
                       u"\r\nWithout it the run could not be undone, so the run stopped before "
                       u"this page.");
    case PageFailure::Kind::BackupNotOurs:
        return warning(u"Unable to Make Backup: " + path +
                       u".\r\nA file of that name stands already, and this run did not make it; "
                       u"it was left as it is, and the page was not overwritten.");
    case PageFailure::Kind::OutsideRecord:
        return warning(u"Unable to Write File: " + path + u".\r\nIt lies outside " +
                       text(failure.output) +
                       u", the folder of the record of the run, so an undo could not reach it; "
                       u"it was not written.");
    case PageFailure::Kind::EncodingUnavailable:
        return warning(u"Unable to Read File: " + path + u".\r\nIt declares the encoding " +
                       core::Utf8ToUtf16(failure.detail) +
                       u", which this system cannot read, so it was left as it is.");
    case PageFailure::Kind::SealingFailed:
        break;
    }
    return warning(u"Unable to Encrypt File: " + path + u".\r\n" +
                   core::Utf8ToUtf16(failure.detail));
}

std::u16string StatusAfter(const Refusal& refusal)
{
    switch (refusal.kind) {
    case Refusal::Kind::NothingPicked:
        return u"No files were picked to be protected.";
    case Refusal::Kind::OtherRunAtWork:
        return atWork(refusal.path);
    default:
        return {};
    }
}

std::u16string StatusAfter(const run::RunNotice& notice)
{
    switch (notice.kind) {
    case run::RunNotice::Kind::MakingKey:
        return u"Making the key from the password...";
    case run::RunNotice::Kind::Scanning:
        return std::u16string(scanningText);
    default:
        return {};
    }
}

std::u16string StatusAfter(const run::RunStart& start)
{
    return start.listed == 0 ? u"No files found to protect" : u"";
}

std::u16string StatusAfter(const run::PageOutcome& outcome)
{
    if (outcome.kind != run::PageOutcome::Kind::Protected) {
        return {};
    }
    return u"The following " + decimal(outcome.recorded) + u" files have been protected";
}

} // namespace quorlane::wording
