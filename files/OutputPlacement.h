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
};

// Where the protected page of record goes under settings: over the page file (with a backup
// when asked), beside it as "protected_" + its name, or below the target folder with the
// folders under the added folder kept. Creates the missing folders and rewrites the record so
// that the results show where the page went. Gives an empty path, with failure set, when the
// backup could not be made.
//
// Over the page file means over the file that the page's path leads to: a link to a page stays
// a link, and the page it leads to is replaced, its backup beside it. The backup holds
// pageBytes, the page as the run read it, and is complete on the disk before this returns.
// A page given by a bare name is one in the current folder: its new file is "./protected_" +
// its name.
PathString PlaceOutput(FileRecord& record, const core::ProtectionSettings& settings,
                       FileSystem& fileSystem, std::string_view pageBytes,
                       std::optional<BackupFailure>& failure);

// Where a copy puts the file of record below saveDir, as PlaceOutput does, without touching the
// disk or the record; empty when that place would lie outside saveDir.
PathString CopyOutputPath(const FileRecord& record, const PathString& saveDir);

// Every pair of separators made one, left to right, pairs not overlapping (three leave two).
// On Windows a leading pair, which names a network share, is kept.
PathString CollapseSeparators(const PathString& path);

} // namespace quorlane::files
