#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/FileSystem.h"
#include "run/RunManifest.h"

namespace quorlane::run {

// One thing an undo did, or would do, or left alone.
struct RestoreStep
{
    enum class Action
    {
        PutBack,             // an overwritten page put back from its backup, which goes with it
        Removed,             // a file the run created, removed
        BackupRemoved,       // the backup of a page the run did not replace after all, removed
        FolderRemoved,       // a folder the run created, empty again, removed
        AlreadyUndone,       // nothing left to do: the page is as it was before the run
        ManifestRemoved,     // the record of the run, once everything was undone
        ChangedSinceRun,     // left alone: its bytes are not those the run wrote
        NoBackup,            // left alone: overwritten by a run that made no backups
        BackupChanged,       // left alone: its backup is missing or not the page as it was
        ReplacedEarlierFile, // left alone: the run wrote over a file that nothing else keeps
        FolderNotEmpty,      // a folder the run created, kept: other files are in it now
        Missing,             // left alone: the file is not where the record says the run put it
        Failed,              // the file system refused; error says why
    };
    Action action = Action::Removed;
    core::PathString path;
    core::PathString backup; // for PutBack and BackupChanged
    std::optional<files::FileError> error;
};

// Whether the action leaves something of the run in place that the user should know of.
bool LeavesSomething(RestoreStep::Action action);

struct RestoreReport
{
    // Why nothing was done: the manifest could not be used.
    std::optional<ManifestProblem> refusal;
    // Why nothing was done: another run, or undo, is at work on this folder.
    std::optional<core::PathString> busy;
    std::vector<RestoreStep> steps;
    // Everything the run did is undone; the manifest is gone (or would go, in a dry run).
    bool complete = false;
};

// Puts the files a run touched back as they were before it, from its manifest: overwritten pages
// from their backups, and the files and folders the run created removed. A file whose bytes
// are not those the run wrote is never touched. Every step looks at the disk afresh, so an undo
// that was stopped at any point is completed by the next. dryRun: only tells what it would do.
//
// Nothing of the record is taken on trust: every path it acts on must lie inside the record's
// own folder, links followed, and every backup must be its page's own (its name + ".bak");
// a record that fails its checksum, or any entry that fails these, has the whole record refused
// before anything is touched. The undo holds the same locks as a run over the record's folder:
// while a run (or another undo) is at work there, it stops, or waits when told.
RestoreReport RestoreRun(files::FileSystem& fileSystem, const core::PathString& manifestPath,
                         bool dryRun, bool waitForOtherRuns = false);

} // namespace quorlane::run
