#pragma once

#include <memory>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "files/FileSystem.h"
#include "files/clsFiles.h"
#include "run/HandledPaths.h"
#include "run/ResultsTree.h"
#include "run/RunHost.h"

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
// A failing page is reported and the run goes on with the next.
class ProtectionRun
{
public:
    ProtectionRun(RunHost& host, files::FileSystem& fileSystem);

    void RunProtection(const std::vector<SelectionEntry>& selection);

    const ResultsTree& results() const { return m_results; }

private:
    struct PendingPage;

    bool locksRefused(const core::ProtectionSettings& settings);
    // Derives the key of an encrypted lock, once for the whole run; false when it failed.
    bool prepareSealing(const core::ProtectionSettings& settings);
    void buildList(const std::vector<SelectionEntry>& selection);
    void protectListed();
    void ProtectFile(const core::FileRecord& record);
    std::unique_ptr<PendingPage> beginPage(const core::FileRecord& record);
    void finishPage(PendingPage& page, bool framesHandled);
    void RecordResult(const core::PathString& page, const core::FileRecord& record,
                      const core::PathString& output);
    std::uint64_t sizeOf(const core::PathString& path);

    RunHost& m_host;
    files::FileSystem& m_fileSystem;
    files::clsFiles m_filesToProtect;
    HandledPaths m_handledPaths;
    ResultsTree m_results;
    std::unique_ptr<core::HiddenPartSealer> m_sealer;
};

// The message for a page that could not be read.
files::Message ReadFailureMessage(const core::PathString& page, const files::FileError& error);

// The message for a page whose hidden part could not be encrypted.
files::Message SealingFailureMessage(const core::PathString& page,
                                     const core::SealingFailure& failure);

} // namespace quorlane::run
