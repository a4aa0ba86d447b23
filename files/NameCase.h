#pragma once

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

} // namespace quorlane::files
