#include "run/FolderRecorder.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace quorlane::run {

namespace {

// Whether path is absolute already and has no part that making it normal would change: no
// empty part, no "." and no "..".
bool isNormalAbsolute(const core::PathString& path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    if (path.empty() || path.front() != '/') {
        return false;
    }
    for (std::size_t start = 1; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part(path.data() + start, end - start);
        if ((part.empty() && end < path.size()) || part == "." || part == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
#endif
}

} // namespace

core::PathString AbsolutePath(const core::PathString& path)
{
    if (isNormalAbsolute(path)) {
        return path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        return path;
    }
    core::PathString normal = absolute.lexically_normal().native();
    while (normal.size() > 1 && normal.back() == core::pathSeparator) {
        normal.pop_back();
    }
    return normal;
}

namespace {

core::PathString folderKey(core::PathString path)
{
    while (path.size() > 1 && path.back() == core::pathSeparator) {
        path.pop_back();
    }
    return path;
}

} // namespace

// A folder that stands already is refused as one that cannot be made, with the error a file
// system gives for a name that is taken.
files::Status FolderRecorder::createFolder(const core::PathString& path)
{
    core::PathString key = folderKey(path);
    if (m_folders.contains(key)) {
        return files::classify(std::make_error_code(std::errc::permission_denied), path);
    }
    // Only a folder that is not there yet is announced: one that stands is not this run's.
    if (m_beforeCreate && !m_inner.isFolder(path)) {
        if (files::Status allowed = m_beforeCreate(AbsolutePath(path)); allowed.failed()) {
            return allowed;
        }
    }
    files::Status result = m_inner.createFolder(path);
    if (result.ok()) {
        m_created.push_back(AbsolutePath(path));
        m_folders.insert(std::move(key));
    } else if (result.error().kind == files::FileError::Kind::Access && m_inner.isFolder(path)) {
        m_folders.insert(std::move(key));
    }
    return result;
}

files::Status FolderRecorder::removeEmptyFolder(const core::PathString& path)
{
    m_folders.erase(folderKey(path));
    return m_inner.removeEmptyFolder(path);
}

} // namespace quorlane::run
