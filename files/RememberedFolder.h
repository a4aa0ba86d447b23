#pragma once

#include "core/FileRecord.h"

namespace quorlane::files {

using core::PathString;

// The folder of the user's last pick, kept as one line in "filepath.txt" in the program's own
// folder, so that the next dialog opens there. Nothing here reports a failure: a file that
// cannot be read or written only means that no folder is remembered.

// The remembered folder, or empty when there is none or it no longer exists.
PathString ReadRememberedFolder(const PathString& programFolder);

// Creates the file, or empties it.
void CreateRememberedFolderFile(const PathString& programFolder);

// Writes folder as the whole content of the existing file, without a line break.
void WriteRememberedFolder(const PathString& programFolder, const PathString& folder);

// The project file last opened or saved, kept the same way in "lastproject.txt"; empty when
// there is none or it no longer exists.
PathString ReadRememberedProject(const PathString& programFolder);
void WriteRememberedProject(const PathString& programFolder, const PathString& project);

} // namespace quorlane::files
