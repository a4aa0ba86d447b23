#pragma once

#include <optional>

#include "core/ProtectionSettings.h"
#include "files/FileSystem.h"
#include "files/clsFiles.h"

namespace quorlane::files {

// A backup that could not be made.
struct BackupFailure
{
    PathString backup; // or, with outsideTarget, the output
    FileError error;
    // In a copy: the page's path climbs above the folder it was found in, so that its output
    // would lie outside the target folder.
    bool outsideTarget = false;
    // A file of the backup's name stands already (the user's own, say): it is never replaced.
    bool nameTaken = false;
};

// Where the protected page of record goes under settings: over the page file, beside it as
// "protected_" + its name, or below the target folder with the folders under the added folder
// kept. Creates the missing folders and rewrites the record so that the results show where the
// page went. Gives an empty path, with failure set, when a copy's output would leave the target.
//
// Over the page file means over the file that the page's path leads to: a link to a page stays
// a link, and the page it leads to is replaced, its backup (MakeBackup) beside it. A page given
// by a bare name is one in the current folder: its new file is "./protected_" + its name.
PathString PlaceOutput(FileRecord& record, const core::ProtectionSettings& settings,
                       FileSystem& fileSystem, std::optional<BackupFailure>& failure);

// The backup of the page file at page: its path with ".bak" added.
PathString BackupPath(const PathString& page);

// Makes the backup of the page file at page, holding pageBytes, the page as the run read it:
// whatever happens to the page meanwhile, the backup is the page as it was protected from. It
// has the page's permission bits and, where the process may, its owner and group, so that it
// is never more readable than the page. A file of its name is never replaced: the backup is
// made only where none stands. Not synced: the run makes its backups durable in batches.
// backup: where it goes, when not beside the page (BackupPath); its folder must be there.
std::optional<BackupFailure> MakeBackup(const PathString& page, std::string_view pageBytes,
                                        FileSystem& fileSystem, const PathString& backup = {});

// Where a copy puts the file of record below saveDir, as PlaceOutput does, without touching the
// disk or the record; empty when that place would lie outside saveDir.
PathString CopyOutputPath(const FileRecord& record, const PathString& saveDir);

// Every pair of separators made one, left to right, pairs not overlapping (three leave two).
// On Windows a leading pair, which names a network share, is kept.
PathString CollapseSeparators(const PathString& path);

} // namespace quorlane::files
