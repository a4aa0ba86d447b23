#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/PageFindings.h"
#include "core/ProtectionSettings.h"
#include "files/Message.h"
#include "run/ResultsTree.h"

namespace quorlane::run {

// The settings field a lock check found blank.
enum class LockField
{
    Domain,   // txtLockDomain, on the Encryption page
    Url,      // txtLockURL, on the Encryption page
    Password, // txtPassword, on the Encryption page
    SaveDir,  // txtSaveDir, on the Store Files page
    Notice,   // txtCopyrightNotice, on the Store Files page
};

// Why a page of the list was not protected, though nothing failed.
enum class SkipReason
{
    AlreadyHandled,   // taken on earlier in this run (picked twice, or a frame of another page)
    AlreadyProtected, // it carries the protected-page marker
};

// Everything a protection run tells the one who started it, and the little it asks. The run
// never touches a window; the wizard and the command line implement this each in their way.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // The choices of the option pages, read when the run needs them.
    virtual core::ProtectionSettings settings() const = 0;
    // Whether the user asked to cancel; read before each page.
    virtual bool cancelRequested() const = 0;
    // Lets the window repaint and take a Cancel; called after every listed page.
    virtual void yield() = 0;

    // The results tree is emptied and View Page disabled: a run begins.
    virtual void clearResults() = 0;
    // The status line above the results (lblResults), to be shown at once.
    virtual void setStatus(std::u16string_view text) = 0;
    // A message for the user about the run as a whole.
    virtual void showMessage(const files::Message& message) = 0;
    // A lock is on with a blank text (or the target folder or the notice cannot be used): show
    // that field.
    virtual void refuseLock(LockField field) = 0;
    // The results tree is hidden while the list is built, and shown again for the pages; when
    // shown, Back is disabled until the run ends.
    virtual void setResultsVisible(bool visible) = 0;
    // Progress after a listed page: percentage of the bytes done, 0 to 100.
    virtual void progress(float percentage, std::uint64_t doneBytes, std::uint64_t totalBytes) = 0;
    // The page file page was protected and written to output, and recorded in tree at added;
    // record is as output placement left it.
    virtual void resultRecorded(const ResultsTree& tree, ResultsTree::Added added,
                                const core::PathString& page, const FileRecord& record,
                                const core::PathString& output) = 0;
    // A page could not be protected; message says why, as the wizard shows it.
    virtual void pageFailed(const core::PathString& page, const files::Message& message) = 0;
    // A folder below an added folder could not be read: its pages are missing from the list.
    virtual void folderFailed(const core::PathString& folder, const files::Message& message)
    {
        pageFailed(folder, message);
    }
    virtual void pageSkipped(const core::PathString& page, SkipReason reason) = 0;
    // A file of an added folder that is no page was copied unchanged into the target folder.
    virtual void fileCopied(const core::PathString& /*file*/, const core::PathString& /*output*/) {}
    // What the protection of a page will break or leave open, told before it is written; an
    // empty page for the findings of the run as a whole.
    virtual void pageFindings(const core::PathString& /*page*/,
                              const std::vector<core::Finding>& /*findings*/)
    {
    }
    // The run is over (finished, cancelled, or nothing to do): the bar empty, Restart offered.
    virtual void finished() = 0;
};

} // namespace quorlane::run
