#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/FileRecord.h"
#include "core/PageFindings.h"
#include "core/PageVerifier.h"
#include "files/FileError.h"

// What a protection run tells, as facts: the front ends put them into words.
namespace quorlane::run {

// The settings field that keeps a run from starting.
enum class LockField
{
    Domain,   // txtLockDomain, on the Encryption page
    Url,      // txtLockURL, on the Encryption page
    Password, // txtPassword, on the Encryption page
    SaveDir,  // txtSaveDir, on the Store Files page
    Notice,   // txtCopyrightNotice, on the Store Files page
};

// Why a run stopped before it read anything.
struct Refusal
{
    enum class Kind
    {
        NothingPicked,  // the selection is empty
        FieldUnusable,  // field is blank (a lock, the target folder) or cannot be used
        TargetHolds,    // the target folder is an added folder, or holds a picked page
        OtherRunAtWork, // another run holds a folder or page of this one
        NoKey,          // the key of an encrypted lock could not be made
        // A copy would replace count files standing in the target folder path that no run of
        // Quorlane wrote; examples: the first few of them.
        TargetHoldsOthers,
        // The backup folder path lies in the added folder or page's folder entry, or holds it.
        BackupsInSite,
        // The record path would lie in entry, the run's folder, and name the backup folder by
        // the machine's path there.
        RecordInSite,
    };
    Kind kind = Kind::NothingPicked;
    std::optional<LockField> field; // the field to show
    // TargetHolds: the target folder; OtherRunAtWork: the folder or page held.
    core::PathString path;
    core::PathString entry; // TargetHolds: the added folder or the picked page
    bool entryIsFolder = false;
    std::string detail; // SealingFailed, EncodingUnavailable // NoKey: what failed
    std::size_t count = 0;
    std::vector<core::PathString> examples;
};

// What the run tells while it gets ready and while it goes.
// Published files that give away the hidden part of protected pages, by the pattern of
// --exclude that would leave them out: a folder that holds no protected page ("_sources/"), or
// the file itself ("/searchindex.js").
struct PublishedLeak
{
    std::u16string exclude;
    core::PathString firstFile;
    std::size_t files = 0;
    core::PathString firstPage; // a page it gives away
    std::size_t pages = 0;      // protected pages given away, each counted once
    // An encrypted run did not publish these files (a copy left them out); in a clear run, or
    // where they stand in the site already, they are published as they are.
    bool withheld = false;
    bool operator==(const PublishedLeak&) const = default;
};

struct RunNotice
{
    enum class Kind
    {
        MakingKey,           // the key of an encrypted lock is being derived from the password
        Scanning,            // the list of pages is being built
        WaitingForOtherRun,  // another run holds path, a folder or page of this one
        PageFindings,        // what the protection of the page path will break or leave open,
                             // told when it is read, before it (and any frame of it) is written
        LinkLeavesSite,      // path, a link to a folder, leads to target, outside its added folder
                             // (and the folder's pages are not protected)
        SystemFolder,        // path is one of the kernel's own folders and was not entered
        FrameLeavesSite,     // the frame page path lies outside target, the folder of its site
        PageLeavesSite,      // path, a link to a page, leads to target, outside its added folder
        HiddenTextPublished, // files published beside the protected pages give away what
                             // they hide (leak), told once the run is done with every file
    };
    Kind kind = Kind::Scanning;
    core::PathString path;
    core::PathString target;
    std::vector<core::Finding> findings;
    std::optional<PublishedLeak> leak;
};

// The list is built.
struct RunStart
{
    std::size_t listed = 0;              // pages in the list
    std::uint64_t totalBytes = 0;        // their sizes added up
    std::vector<core::Finding> findings; // for the run as a whole
};

// Why a page, or a folder of pages, was not protected.
struct PageFailure
{
    enum class Kind
    {
        ReadFailed,       // path: the page
        FolderUnreadable, // path: the folder, whose pages are missing from the list
        BackupFailed,     // path: the backup
        WriteFailed,      // path: the output
        ReadBackFailed,   // path: the output, which could not be read back to be checked
        NotInEncoding,    // path: the output, whose bytes were not in detail, the page's encoding
        NotVerified,      // path: the output, which does not hold the page: see fault
        ChangedOnDisk,    // path: the page, changed since it was read (Overwrite)
        HardLinks,        // path: the page, which has count names (Overwrite)
        OutputIsListed,   // path: the output, itself a page of the run (CopyToFolder)
        SealingFailed,    // path: the page; detail: what failed
        OutsideTarget,    // path: the output, above the target folder; output: the target
        CopyFailed,       // path: a file of an added folder that is no page; output: its copy
        CopyLeavesFolder, // path: the file, reached by a link out of output, its added folder
        CopyIsSource,     // path: the file; output: its copy, which is a file of the run itself
        FolderNotMade,    // path: a folder the output needs, which could not be created
        RecordFailed,     // path: the record of the run, which could not be made, written or
                          // flushed: the run stops, and no page is replaced without it
        BackupNotOurs,    // path: the backup's name, where a file the run did not make stands
        OutsideRecord,    // path: the output, outside output, the folder of the run's record
        EncodingUnavailable, // path: the page, in an encoding this system cannot read; detail:
                             // the charset it declares
    };
    Kind kind = Kind::ReadFailed;
    core::PathString path;
    files::FileError error;  // ReadFailed, FolderUnreadable, BackupFailed, WriteFailed, CopyFailed,
                             // FolderNotMade, RecordFailed
    core::PathString output; // OutsideTarget, CopyFailed, CopyLeavesFolder, CopyIsSource,
                             // OutsideRecord
    bool newName = false;    // WriteFailed: the output is the page's name behind "protected_"
    core::VerifyFault::Kind fault = core::VerifyFault::Kind::Difference; // NotVerified
    std::uint64_t count = 0; // NotVerified, a Difference: the page's line; HardLinks: the names
    std::string detail;
};

// Why a page was not protected, though nothing failed.
enum class SkipReason
{
    AlreadyHandled,   // taken on earlier in this run (picked twice, or a frame of another page)
    AlreadyProtected, // it carries the protected-page marker
    NotAPage,         // named on its own, its name and first bytes are not those of a page
};

// What kept a page (or a folder) from being protected, as far as the run can tell: a summary of
// many failures can say once what they share.
struct FailureCause
{
    enum class Kind
    {
        Other,          // only the message tells
        Unreadable,     // the page, or the folder being listed, could not be read
        ReadOnly,       // writing the output into folder was refused: the file there that it
                        // replaces is read-only, or the folder is
        FolderReadOnly, // no file or folder can be made in folder (access refused, or a
                        // read-only disk)
        FolderNotMade,  // folder, which the output needs, could not be created for another
                        // reason (a file stands in its place, a name too long)
    };
    Kind kind = Kind::Other;
    core::PathString folder; // ReadOnly, FolderReadOnly, FolderNotMade
    std::optional<files::FileError> error;
    bool operator==(const FailureCause&) const = default;
};

// What became of one page (a listed page or a frame page), or of a folder that could not be
// read while the list was built.
struct PageOutcome
{
    enum class Kind
    {
        Protected,
        Skipped,
        Failed,
        FolderFailed,
        Copied, // a file of an added folder that is no page, copied unchanged into the target
    };
    Kind kind = Kind::Protected;
    core::PathString page; // the page file, or the folder, or the file copied
    // Protected: the record as output placement left it, the output file (Copied: the copy),
    // where the results tree put the page (its top-level entry, and whether that folder entry is
    // new), and the pages in the tree now.
    core::FileRecord record;
    core::PathString output;
    std::size_t treeEntry = 0;
    bool newFolder = false;
    std::size_t recorded = 0;
    SkipReason reason = SkipReason::AlreadyHandled; // Skipped
    PageFailure failure;                            // Failed and FolderFailed
    FailureCause cause;                             // Failed and FolderFailed
    // Failed: the first page of a copy found that nothing can be written into the target
    // folder; the run stops once this page is done with.
    bool stopsRun = false;
    // A page of the list, the last outcome of its own frames: the bytes of the list done so far.
    bool listed = false;
    std::uint64_t doneBytes = 0;
    std::uint64_t totalBytes = 0;
};

// How a run ended.
struct RunSummary
{
    std::optional<Refusal> refusal; // stopped before anything was read
    bool cancelled = false;         // stopped by a cancel before the last listed page
    std::size_t listed = 0;         // pages in the list
    std::size_t taken = 0;          // listed pages taken through the per-file step
    std::size_t recorded = 0;       // pages in the results tree
    // Stopped after the first page: nothing can be written into the target folder.
    std::optional<FailureCause> targetUnwritable;
    // The record of the run, for an undo; empty when the run touched nothing, or when it could
    // not be made.
    core::PathString manifest;
    // Backups the run left beside their pages, inside the site: each holds its page in clear,
    // and is published with the site unless removed or kept elsewhere.
    std::size_t backupsInSite = 0;
    // The record could not be made, written or flushed (a full disk, a read-only folder): the
    // run stopped before it replaced another page.
    std::optional<PageFailure> recordFailed;
    // Published files that give away hidden parts; an encrypted run did not copy them, and fails.
    std::vector<PublishedLeak> leaks;
    // An encrypted run: its key as a share link carries it (HiddenPartSealer::shareKey).
    std::u16string shareKey;
};

// The percentage of the bytes done, as the progress bar shows it (0 when there is nothing).
float ProgressPercentage(std::uint64_t doneBytes, std::uint64_t totalBytes);

// What a protection run tells the one who started it, and the one thing it asks. Every call
// comes from the thread that runs RunProtection, which need not be the thread of a window or
// of other runs; each carries values only, which a host may copy to another thread as they are.
// A run is refused, or goes: notices, started, a pageDone for every page, finished.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // Whether to stop; asked before each listed page, and while waiting for another run. The
    // page at work is always finished, with its frames.
    virtual bool cancelRequested() = 0;
    // The run stops before it reads anything. One that another run keeps out is finished too.
    virtual void refused(const Refusal& refusal) = 0;
    virtual void notice(const RunNotice& notice) = 0;
    virtual void started(const RunStart& start) = 0;
    // Told when the page is done with: written (or not), in the order of the list, each frame
    // page before its frameset.
    virtual void pageDone(const PageOutcome& outcome) = 0;
    virtual void finished(const RunSummary& summary) = 0;
};

} // namespace quorlane::run
