#pragma once

#include <chrono>
#include <memory>
#include <unordered_set>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"
#include "files/TreeLocks.h"
#include "files/clsFiles.h"
#include "run/FolderRecorder.h"
#include "run/HandledPaths.h"
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
};

inline constexpr std::u16string_view scanningText = u"Scanning for files, please wait...";

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

    const ResultsTree& results() const { return m_results; }

private:
    struct PendingPage;

    std::optional<Refusal> locksRefused(const core::ProtectionSettings& settings);
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
    void ProtectFile(const core::FileRecord& record);
    std::unique_ptr<PendingPage> beginPage(const core::FileRecord& record, bool listed);
    void finishPage(PendingPage& page, bool framesHandled);
    std::optional<files::Message> overwriteRefusal(const PendingPage& page);
    void failPage(PendingPage& page, const files::Message& message, const FailureCause& cause = {});
    // Tells the host; a listed page's outcome carries the progress.
    void tell(PageOutcome outcome, bool listed);
    void pageFailed(const core::PathString& page, const files::Message& message,
                    const FailureCause& cause, bool listed);
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
    std::optional<std::u16string> checkWritten(const core::PathString& temporary,
                                               std::u16string_view original,
                                               const files::PageEncoding& encoding,
                                               const core::ProtectionSettings& settings,
                                               bool keptAsItIs);
    void RecordResult(PendingPage& page, const core::PathString& output);
    std::uint64_t sizeOf(const core::PathString& path);

    std::vector<core::PathString> manifestFolders(const core::ProtectionSettings& settings,
                                                  const std::vector<SelectionEntry>& selection);
    void beginManifest();
    void writeManifest();
    void finishManifest(RunSummary& summary);
    void noteWritten(const PendingPage& page, const core::PathString& output,
                     const std::string& encoded, bool replaced);

    RunHost& m_host;
    core::ProtectionSettings m_settings;
    FolderRecorder m_recorder;
    files::FileSystem& m_fileSystem;
    files::clsFiles m_filesToProtect;
    HandledPaths m_handledPaths;
    ResultsTree m_results;
    std::unique_ptr<core::HiddenPartSealer> m_sealer;
    bool m_waitForOtherRuns = false;
    files::TreeLocks m_locks;
    std::unordered_set<core::PathString> m_cleanedFolders;
    // In CopyToFolder mode: the files of the listed pages, which no output may replace.
    std::unordered_set<files::FileIdentity, files::FileIdentityHash> m_listedFiles;
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
    std::string m_readBackBytes;
    std::u16string m_readBackText;
    std::u16string m_revealed;
};

// The message for a page that could not be read.
files::Message ReadFailureMessage(const core::PathString& page, const files::FileError& error);

// The message for a page whose hidden part could not be encrypted.
files::Message SealingFailureMessage(const core::PathString& page,
                                     const core::SealingFailure& failure);

} // namespace quorlane::run
