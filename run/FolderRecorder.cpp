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

files::FileResult FolderRecorder::createFolder(const core::PathString& path)
{
    files::FileResult result = m_inner.createFolder(path);
    if (!result) {
        m_created.push_back(AbsolutePath(path));
    }
    return result;
}

} // namespace quorlane::run
