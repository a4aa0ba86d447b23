// "Path A lies in folder B", with names compared as the file system compares them: the one rule
// for every such question (a run's record, an undo, a copy target, a frame inside its site).
#include "files/NameCase.h"

namespace quorlane::files {

namespace {

bool isSeparator(PathString::value_type unit)
{
    for (const PathString::value_type* separator = core::pathSeparators; *separator != 0;
         ++separator) {
        if (unit == *separator) {
            return true;
        }
    }
    return false;
}

// The length of path without the separators at its end; a path of separators only keeps one.
std::size_t withoutEndSeparators(const PathString& path)
{
    std::size_t size = path.size();
    while (size > 1 && isSeparator(path[size - 1])) {
        --size;
    }
    return size;
}

// One separator for every spelling of it, so that the keys compare unit by unit.
PathString comparable(const PathString& path, std::size_t size)
{
    PathString key = PathCaseKey(path.substr(0, size));
    for (auto& unit : key) {
        if (isSeparator(unit)) {
            unit = core::pathSeparator;
        }
    }
    return key;
}

} // namespace

std::optional<PathString> PathBelowFolder(const PathString& path, const PathString& folder)
{
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::size_t pathSize = withoutEndSeparators(path);
    const std::size_t folderSize = withoutEndSeparators(folder);
    if (pathSize < folderSize) {
        return std::nullopt;
    }
    // PathCaseKey keeps one unit for one, so a position in a key is one in its path.
    const PathString pathKey = comparable(path, pathSize);
    const PathString folderKey = comparable(folder, folderSize);
    if (!pathKey.starts_with(folderKey)) {
        return std::nullopt;
    }
    if (pathSize == folderSize) {
        return PathString();
    }
    // The root ends in its separator; any other folder is followed by one.
    const bool root = folderKey.back() == core::pathSeparator;
    if (!root && pathKey[folderSize] != core::pathSeparator) {
        return std::nullopt;
    }
    return path.substr(root ? folderSize : folderSize + 1, pathSize - folderSize - (root ? 0 : 1));
}

bool PathLiesIn(const PathString& path, const PathString& folder, bool folderItself)
{
    const std::optional<PathString> rest = PathBelowFolder(path, folder);
    return rest && (folderItself || !rest->empty());
}

} // namespace quorlane::files
