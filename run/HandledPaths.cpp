#include "run/HandledPaths.h"

#include <algorithm>

#include "core/Utf8.h"

namespace quorlane::run {

std::string HandledPaths::keyOf(const core::PathString& path)
{
    if (const auto id = m_fileSystem.identity(path)) {
        return "file:" + std::to_string(id->device) + ":" + std::to_string(id->inode);
    }
    std::string written = core::Utf16ToUtf8(core::TextFromPath(path));
#ifdef _WIN32
    std::transform(written.begin(), written.end(), written.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
#endif
    return "path:" + written;
}

bool HandledPaths::insert(const core::PathString& path)
{
    return m_keys.insert(keyOf(path)).second;
}

} // namespace quorlane::run
