#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <unordered_set>
#include <variant>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "files/ExcludePatterns.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"
#include "files/SiteBounds.h"
#include "files/TreeLocks.h"
#include "files/clsFiles.h"
#include "run/FolderRecorder.h"
#include "run/FrameWalk.h"
#include "run/HandledPaths.h"
#include "run/LeakAudit.h"
#include "run/PagePreparer.h"
#include "run/ResultsTree.h"
#include "run/RunHost.h"
#include "run/RunJournal.h"

namespace quorlane::run {

// One entry of the selection: a folder whose pages are all protected, or a page picked on its
// own.
struct SelectionEntry
{
    core::PathString path;
    bool isFolder = false;
    bool operator==(const SelectionEntry&) const = default;
};

// A field that keeps a run from starting: a lock, or the target folder of a copy, that is on
// while blank, or a notice that would end its comment early. Asked by the run before it reads
// anything, and by a front end before it asks anything of the user.
std::optional<Refusal> FindUnusableField(const core::ProtectionSettings& settings);

// The protection run: checks the locks, lists the pages of the selection, and takes them one by
// one through the per-file step (read, skip what is protected, transform, place, write, record).
// A failing page is reported and the run goes on with the next, unless the first page of a copy
// finds that nothing can be written into the target folder.
class ProtectionRun
{
public:
    ProtectionRun(RunHost& host, files::FileSystem& fileSystem);

    RunSummary RunProtection(const std::vector<SelectionEntry>& selection,
                             const core::ProtectionSettings& settings);

    // Whether a run that finds another at work on its folders waits for it (checking for a
    // cancel meanwhile) or stops at once; it stops unless told.
    void setWaitForOtherRuns(bool wait) { m_waitForOtherRuns = wait; }
    // Whether a file named on its own that neither is named nor looks like a page is taken as
    // one all the same; it is passed over unless told.
    void setAnyFile(bool any) { m_anyFile = any; }
    // Whether a copy may replace files in its target folder that no run of Quorlane wrote; it
    // is refused before it writes anything unless told.
    void setReplaceOthersFiles(bool replace) { m_replaceOthersFiles = replace; }
    // The files and folders of the added folders that the run leaves out, pages or not.
    void setExclude(files::ExcludePatterns exclude) { m_exclude = std::move(exclude); }
    // The files that are published even when they give away what the pages hide; an encrypted
    // run leaves any other such file out of a copy, and fails.
    void setPublishAnyway(files::ExcludePatterns patterns)
    {
        m_publishAnyway = std::move(patterns);
    }
    // Where the record of the run goes, when not where the run puts it (RecordPlace); none,
    // with none: the run then cannot be undone.
    void setRecordPath(core::PathString path) { m_recordPath = std::move(path); }
    void setNoRecord(bool none) { m_noRecord = none; }
    // How many threads read and transform the listed pages ahead of their turn; 1 takes the
    // pages one by one. Whatever the number, the run tells and writes the same, in list order.
    void setJobs(unsigned jobs) { m_jobs = jobs < 1 ? 1 : jobs; }
    // The jobs of a run that is not told: one per hardware thread of the machine.
    static unsigned machineJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

    const ResultsTree& results() const { return m_results; }

private:
    struct PendingPage;
    class PageSteps;
    // The size and SHA-256 of a written file, for the manifest.
    struct WrittenFile
    {
        std::uint64_t size = 0;
        std::string sha256;
    };

    // Derives the key of an encrypted lock, once for the whole run.
    std::optional<Refusal> prepareSealing(const core::ProtectionSettings& settings);
    std::optional<Refusal> targetRefusal(const core::ProtectionSettings& settings,
                                         const std::vector<SelectionEntry>& selection);
    RunSummary refuse(Refusal refusal);
    bool takeFolderLocks(const core::ProtectionSettings& settings,
                         const std::vector<SelectionEntry>& selection, RunSummary& summary);
    void buildList(const std::vector<SelectionEntry>& selection,
                   const core::ProtectionSettings& settings);
    void protectListed(RunSummary& summary);
    // The bounds of the site: what the scan passed over, pages that are none, frames out of it.
    void tellPassedOver(const std::vector<files::PassedOver>& passedOver);
    std::optional<Refusal> othersFilesRefusal();
    bool takenAsPage(const core::PathString& path);
    bool frameInsideSite(const core::FileRecord& frame);
    void ProtectFile(const core::FileRecord& record, std::unique_ptr<PreparedPage> prepared);
    std::unique_ptr<PendingPage> beginPage(const core::FileRecord& record, bool listed,
                                           std::optional<files::FileError>& unread,
                                           std::unique_ptr<PreparedPage> prepared = nullptr);
    void finishPage(PendingPage& page, bool framesHandled);
    // backup: the page's backup, which may be a second name of the page itself.
    std::optional<PageFailure> overwriteRefusal(const core::PathString& page,
                                                const files::FileStamp& stamp,
                                                const core::PathString& backup = {});
    bool linkBackup(const PendingPage& page, const core::PathString& output,
                    const core::PathString& backup, files::FileStamp& stamp,
                    std::optional<PageFailure>& refused);
    void writePage(PendingPage& page, bool framesHandled, const core::PathString& output,
                   ManifestPage entry);
    void stageWritten(PendingPage& page, const core::PathString& output,
                      const core::PathString& written, const ManifestPage& entry);
    // A failure whose cause is not given tells its own (causeOf).
    void failPage(PendingPage& page, PageFailure failure,
                  std::optional<FailureCause> cause = std::nullopt);
    // Tells the host; a listed page's outcome carries the progress.
    void tell(PageOutcome outcome, bool listed);
    void pageFailed(const core::PathString& page, PageFailure failure, bool listed,
                    std::optional<FailureCause> cause = std::nullopt);
    FailureCause causeOf(const PageFailure& failure);
    bool stopsRun(const FailureCause& cause);
    // A folder that could not be made, and why.
    struct FolderFailure
    {
        core::PathString folder;
        FailureCause cause;
    };
    // The first folder of output that is still missing.
    std::optional<FolderFailure> missingFolder(const core::PathString& output);
    FailureCause writeFailureCause(const core::PathString& output, const files::FileError& error);
    void removeStaleTemporariesBeside(const core::PathString& output);
    std::optional<PageFailure> checkWritten(const core::PathString& temporary,
                                            const core::PathString& output,
                                            std::u16string_view original,
                                            const files::PageEncoding& encoding, bool keptAsItIs,
                                            const MadePage* made, WrittenFile& written);
    bool holdsJust(const core::PathString& file, std::string_view bytes);
    void RecordResult(const core::FileRecord& record, const core::PathString& page, bool listed,
                      const core::PathString& output);
    using FileIdentities = std::unordered_set<files::FileIdentity, files::FileIdentityHash>;
    // A copy's other files: those of the added folders that are not pages.
    // Also keeps their sizes, which their progress adds as they are copied.
    std::uint64_t otherFilesSize();
    void copyOtherFiles(RunSummary& summary);
    void copyOtherFile(core::FileRecord record, const FileIdentities& sources,
                       const files::CanonicalFolder& root);
    std::uint64_t sizeOf(const core::PathString& path);

    // The audit of what the run publishes beside its pages (ProtectionRunAudit.cpp).
    void notePrints(const core::FileRecord& place, const core::PathString& page,
                    std::optional<TextPrints>& made, std::u16string_view original);
    // Whether the copy leaves file out, since it gives hidden parts away.
    bool withheldFromCopy(const core::FileRecord& file);
    // In the modes that write into the site: its files that are no pages, as they stand.
    void auditNeighbours();
    void tellLeaks(RunSummary& summary);

    RecordPlace recordPlace(const core::ProtectionSettings& settings,
                            const std::vector<SelectionEntry>& selection);
    std::optional<Refusal> placeRefusal(const std::vector<SelectionEntry>& selection);
    // The record of the run, made when the run first needs it; false when it cannot be made.
    bool ensureJournal();
    files::Status beforeFolderCreated(const core::PathString& folder);
    void recordFailed(const files::FileError& error);
    PageFailure recordFailure() const;
    ManifestPage manifestEntry(const PendingPage& page, const core::PathString& recordedOutput,
                               bool replaced) const;
    // Now and then, the record made to last through a power cut, in the modes that put no
    // page in place in batches.
    void syncJournalNowAndThen();
    void finishJournal(RunSummary& summary);

    // In Overwrite mode the written pages wait, beside their pages, while a batch of backups is
    // made and the record names them; backups and record are then made to last through a
    // power cut together, and only then are the pages of the batch put in place.
    struct StagedPage
    {
        core::FileRecord record;
        core::PathString page;
        core::PathString output;
        core::PathString staged; // the written page, beside its output
        core::PathString backup; // empty when none is made
        files::FileStamp stamp;  // how the page stood when it was read
        std::size_t number = 0;  // in the record
        bool listed = false;
        std::uint64_t doneBytes = 0;
        bool backupMade = false; // by this run, rather than found standing
        // The backup is the page's own file by a second name: its bytes were on the disk as
        // much as the page's were, and only its name has to be made to last.
        bool backupLinked = false;
    };
    void stage(StagedPage staged, std::uint64_t size);
    void commitBatch();
    void commitStaged(StagedPage& staged, const files::Status& synced);
    // What the host is told waits while pages wait, so that it hears of every page in order.
    using Told = std::variant<PageOutcome, RunNotice, std::size_t>;
    void say(Told told);

    RunHost& m_host;
    core::ProtectionSettings m_settings;
    FolderRecorder m_recorder;
    files::FileSystem& m_fileSystem;
    files::clsFiles m_filesToProtect;
    files::clsFiles m_otherFiles;
    HandledPaths m_handledPaths;
    ResultsTree m_results;
    std::unique_ptr<core::HiddenPartSealer> m_sealer;
    bool m_waitForOtherRuns = false;
    bool m_anyFile = false;
    bool m_replaceOthersFiles = false;
    files::ExcludePatterns m_exclude;
    files::ExcludePatterns m_publishAnyway;
    LeakAudit m_audit;
    files::clsFiles m_neighbours; // the files of the added folders that are no pages
    unsigned m_jobs = 1;
    files::TreeLocks m_locks;
    std::unordered_set<core::PathString> m_cleanedFolders;
    // In CopyToFolder mode: the files of the listed pages, which no output may replace. Looked
    // for when the first output that stands already is met: before it, no output has replaced
    // any file.
    const FileIdentities& listedFiles();
    std::vector<std::uint64_t> m_otherSizes; // of m_otherFiles, in order
    std::optional<FileIdentities> m_listedFiles;
    std::optional<RunJournal> m_journal; // made afresh for each run
    std::string m_started;
    RecordPlace m_recordPlace;
    core::PathString m_recordPath;
    bool m_noRecord = false;
    std::size_t m_backupsInSite = 0;
    // Why the record could not be made, written or flushed (its path the record's): the run
    // stops then.
    std::optional<files::FileError> m_recordFailure;
    std::size_t m_unsyncedEntries = 0;
    std::vector<StagedPage> m_staged;
    std::uint64_t m_stagedBytes = 0;
    std::vector<core::PathString> m_toSync; // the backups of the batch, and their folders
    std::unordered_set<core::PathString> m_syncedFolders;
    std::vector<Told> m_outbox;
    bool m_delivering = false;
    std::uint64_t m_doneBytes = 0;
    // Pages whose writing was tried, written or not; and why a run stops that can write none.
    std::size_t m_pagesTried = 0;
    std::optional<FailureCause> m_stopCause;
    std::uint64_t m_totalBytes = 0;
    std::unordered_set<core::PathString> m_writtenOutputs;
    std::u16string m_revealed;
};

// The record of a page picked on its own for a copy: under the first added folder of the
// selection that it lies in, so that it keeps its place in the copied tree; else as picked.
core::FileRecord PickedPageRecord(const core::PathString& page,
                                  const std::vector<SelectionEntry>& selection);

// Whether a file is taken as a page: one named as a page is (.htm, .html); one named otherwise,
// as a file named on its own or by a frameset may be, only when its first bytes are those of a
// page, or with anyFile. One that cannot be read is taken, so that reading it tells what is
// wrong.
bool TakenAsPage(files::FileSystem& fileSystem, const core::PathString& path, bool anyFile);

// The notice of a folder that a scan passed over.
RunNotice PassedOverNotice(const files::PassedOver& passed);

// The site of a frame page, which it must lie in: the added folder of its frameset, or the
// folder of a frameset picked on its own.
core::PathString SiteOfFrame(const core::FileRecord& frame);

} // namespace quorlane::run
