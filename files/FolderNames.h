#pragma once

#include <vector>

#include "files/FileSystem.h"

namespace quorlane::files {

// One name in a folder, and whether it leads to a folder (after links).
struct FolderName
{
    PathString name;
    bool isFolder = false;
};

// The names in folder, without "." and "..", in the order the system gives them. On Windows
// through FindFirstFileExW: std::filesystem's listing goes through the C runtime's _wopendir,
// which cannot take a path beyond MAX_PATH and then lists the current folder instead.
Result<std::vector<FolderName>> ListFolderNames(const PathString& folder);

} // namespace quorlane::files
