#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <unordered_set>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "files/ExcludePatterns.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"
#include "files/SiteBounds.h"
#include "files/TreeLocks.h"
#include "files/clsFiles.h"
#include "run/FolderRecorder.h"
#include "run/HandledPaths.h"
#include "run/PagePreparer.h"
#include "run/ResultsTree.h"
#include "run/RunHost.h"
#include "run/RunManifest.h"

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
    // How many threads read and transform the listed pages ahead of their turn; 1 takes the
    // pages one by one. Whatever the number, the run tells and writes the same, in list order.
    void setJobs(unsigned jobs) { m_jobs = jobs < 1 ? 1 : jobs; }
    // The jobs of a run that is not told: one per hardware thread of the machine.
    static unsigned machineJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

    const ResultsTree& results() const { return m_results; }

private:
    struct PendingPage;
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
    std::optional<PageFailure> overwriteRefusal(const PendingPage& page);
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
                                            const PendingPage* made, WrittenFile& written);
    bool holdsJust(const core::PathString& file, std::string_view bytes);
    void RecordResult(PendingPage& page, const core::PathString& output);
    using FileIdentities = std::unordered_set<files::FileIdentity, files::FileIdentityHash>;
    // A copy's other files: those of the added folders that are not pages.
    // Also keeps their sizes, which their progress adds as they are copied.
    std::uint64_t otherFilesSize();
    void copyOtherFiles(RunSummary& summary);
    void copyOtherFile(core::FileRecord record, const FileIdentities& sources);
    std::uint64_t sizeOf(const core::PathString& path);

    std::vector<core::PathString> manifestFolders(const core::ProtectionSettings& settings,
                                                  const std::vector<SelectionEntry>& selection);
    void beginManifest();
    void writeManifest();
    void finishManifest(RunSummary& summary);
    void noteWritten(const PendingPage& page, const core::PathString& output,
                     const WrittenFile& written, bool replaced);

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
    unsigned m_jobs = 1;
    files::TreeLocks m_locks;
    std::unordered_set<core::PathString> m_cleanedFolders;
    // In CopyToFolder mode: the files of the listed pages, which no output may replace. Looked
    // for when the first output that stands already is met: before it, no output has replaced
    // any file.
    const FileIdentities& listedFiles();
    std::vector<std::uint64_t> m_otherSizes; // of m_otherFiles, in order
    std::optional<FileIdentities> m_listedFiles;
    RunManifest m_manifest;
    core::PathString m_manifestPath;
    std::vector<core::PathString> m_manifestFolders;
    bool m_manifestTried = false;
    std::uint64_t m_doneBytes = 0;
    // Pages whose writing was tried, written or not; and why a run stops that can write none.
    std::size_t m_pagesTried = 0;
    std::optional<FailureCause> m_stopCause;
    std::uint64_t m_totalBytes = 0;
    std::chrono::steady_clock::time_point m_manifestWritten;
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
