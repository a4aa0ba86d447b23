#include "files/SiteBounds.h"

#include <algorithm>
#include <string_view>

#include "files/NameCase.h"

namespace quorlane::files {

namespace {

#ifndef _WIN32
constexpr std::string_view systemFolders[] = {"/proc", "/sys", "/dev"};
// Below /dev, the shared memory folder is an ordinary file system where people keep files of
// their own, sites among them.
constexpr std::string_view sharedMemory = "/dev/shm";
#endif

// Whether a resolved path is one of the kernel's folders or lies below one.
bool underSystemFolder([[maybe_unused]] const PathString& resolved)
{
#ifndef _WIN32
    if (PathLiesIn(resolved, PathString(sharedMemory), true)) {
        return false;
    }
    return std::any_of(
        std::begin(systemFolders), std::end(systemFolders),
        [&](std::string_view folder) { return PathLiesIn(resolved, PathString(folder), true); });
#else
    return false;
#endif
}

// The folder above path, or nothing at the root.
std::optional<PathString> parentOf(const PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    if (last == PathString::npos || path.size() <= 1) {
        return std::nullopt;
    }
    const std::size_t keep = last == 0 ? 1 : last;
    if (keep == path.size()) {
        return std::nullopt;
    }
    return path.substr(0, keep);
}

} // namespace

SiteBounds::SiteBounds(FileSystem& fileSystem, const PathString& top)
    : m_fileSystem(fileSystem)
    , m_top(fileSystem.identity(top))
{
#ifndef _WIN32
    for (const std::string_view folder : systemFolders) {
        if (const auto id = fileSystem.identity(PathString(folder))) {
            m_systemFolders.push_back(*id);
        }
    }
#endif
}

bool SiteBounds::isSystem(const PathString& folder, const std::optional<FileIdentity>& identity,
                          const std::optional<PathString>& resolved)
{
    if (identity && std::find(m_systemFolders.begin(), m_systemFolders.end(), *identity) !=
                        m_systemFolders.end()) {
        return true;
    }
    return (resolved && underSystemFolder(*resolved)) || m_fileSystem.isSystemFolder(folder);
}

std::optional<PassedOver> SiteBounds::checkTop(const PathString& top)
{
    const std::optional<PathString> resolved = m_fileSystem.resolvedPath(top);
    if (isSystem(top, m_top, resolved)) {
        return PassedOver{PassedOver::Kind::SystemFolder, top, resolved.value_or(PathString())};
    }
    return std::nullopt;
}

std::optional<PassedOver> SiteBounds::check(const PathString& folder)
{
    const bool link = m_fileSystem.linkTarget(folder) != folder;
    const std::optional<PathString> resolved =
        link ? m_fileSystem.resolvedPath(folder) : std::nullopt;
    if (isSystem(folder, m_fileSystem.identity(folder), resolved)) {
        return PassedOver{PassedOver::Kind::SystemFolder, folder, resolved.value_or(PathString())};
    }
    if (link && !(resolved && contains(*resolved))) {
        return PassedOver{PassedOver::Kind::LeavesSite, folder, resolved.value_or(PathString())};
    }
    return std::nullopt;
}

bool SiteBounds::contains(const PathString& path)
{
    if (!m_top) {
        return false;
    }
    std::optional<PathString> at = m_fileSystem.resolvedPath(path);
    while (at) {
        if (m_fileSystem.identity(*at) == m_top) {
            return true;
        }
        at = parentOf(*at);
    }
    return false;
}

} // namespace quorlane::files
