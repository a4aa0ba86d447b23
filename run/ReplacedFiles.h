#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "files/FileSystem.h"
#include "files/clsFiles.h"

namespace quorlane::run {

// The files standing in a copy's target folder that the copy would replace and that no run of
// Quorlane wrote.
struct OthersFiles
{
    std::size_t count = 0;
    std::vector<core::PathString> examples; // the first few, in list order
};

// How many files OthersFiles names at most.
inline constexpr std::size_t othersFilesNamed = 5;

// Looks, before a copy writes anything, at the place in saveDir of every listed page and other
// file. A file standing there is the copy's own to replace when replacing it loses nothing:
// it is a protected page (it ends with the protected-page marker: an earlier run wrote it), or
// it holds the very bytes of the file that would be copied there (an earlier copy of a file
// that has not changed since). Any other file is someone else's. Files of the run itself
// (isRunFile) are left out: the copy never replaces them anyway.
OthersFiles FindOthersFiles(files::FileSystem& fileSystem, const files::clsFiles& pages,
                            const files::clsFiles& others, const core::PathString& saveDir,
                            const std::function<bool(const files::FileIdentity&)>& isRunFile);

} // namespace quorlane::run
