#include "run/FolderRecorder.h"

#include <filesystem>

namespace quorlane::run {

core::PathString AbsolutePath(const core::PathString& path)
{
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
files::FileResult FolderRecorder::createFolder(const core::PathString& path)
{
    core::PathString key = folderKey(path);
    if (m_folders.contains(key)) {
        return files::classify(std::make_error_code(std::errc::permission_denied));
    }
    files::FileResult result = m_inner.createFolder(path);
    if (!result) {
        m_created.push_back(AbsolutePath(path));
        m_folders.insert(std::move(key));
    } else if (result->kind == files::FileError::Kind::Access && m_inner.isFolder(path)) {
        m_folders.insert(std::move(key));
    }
    return result;
}

bool FolderRecorder::isFolder(const core::PathString& path)
{
    core::PathString key = folderKey(path);
    if (m_folders.contains(key)) {
        return true;
    }
    if (!m_inner.isFolder(path)) {
        return false;
    }
    m_folders.insert(std::move(key));
    return true;
}

files::FileResult FolderRecorder::removeEmptyFolder(const core::PathString& path)
{
    m_folders.erase(folderKey(path));
    return m_inner.removeEmptyFolder(path);
}

} // namespace quorlane::run
