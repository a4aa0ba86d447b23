#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "files/FileSystem.h"

namespace quorlane::files {

// Whether the file system takes names that differ only in case for one name: on Windows it does
// (NTFS and FAT compare each UTF-16 unit in its upper case), elsewhere it does not.
bool NamesIgnoreCase();

// The form of a name in which two spellings of one file's name are equal: on Windows each unit
// in its upper case (one unit for one, so positions stay), elsewhere the name as it is.
std::u16string NameCaseKey(std::u16string_view name);
PathString PathCaseKey(const PathString& path);

// Where path lies in folder, its names compared as the file system compares them (ignoring case
// on Windows, where "\" and "/" are one separator; exactly elsewhere): the rest of path below
// folder, as path spells it, without the separator that leads to it; empty for folder itself;
// nothing when path does not lie in folder. Both are taken as written: "." and ".." are names
// like any other and no link is followed. Separators at the end of either count for nothing;
// the root ("/") holds every path that starts with a separator.
std::optional<PathString> PathBelowFolder(const PathString& path, const PathString& folder);

// Whether path lies in folder (PathBelowFolder), folder itself counted only when told.
bool PathLiesIn(const PathString& path, const PathString& folder, bool folderItself = false);

} // namespace quorlane::files
