#include "run/HandledPaths.h"

#include "files/NameCase.h"

namespace quorlane::run {

std::string HandledPaths::keyOf(const core::PathString& path)
{
    if (const auto id = m_fileSystem.identity(path)) {
        return "file:" + std::to_string(id->device) + ":" + std::to_string(id->inode);
    }
    // The path's own bytes: two names that differ only where they are not UTF-8 stay two.
    const core::PathString written = files::PathCaseKey(path);
    return "path:" + std::string(reinterpret_cast<const char*>(written.data()),
                                 written.size() * sizeof(written[0]));
}

bool HandledPaths::insert(const core::PathString& path)
{
    return m_keys.insert(keyOf(path)).second;
}

} // namespace quorlane::run
