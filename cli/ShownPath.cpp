#include "cli/ShownPath.h"

#include <filesystem>

namespace quorlane::cli {

core::PathString ShownPath(const core::PathString& path)
{
    namespace fs = std::filesystem;
    if (path.empty()) {
        return path;
    }
    std::error_code error;
    const fs::path here = fs::current_path(error);
    const fs::path absolute = error ? fs::path() : fs::absolute(fs::path(path), error);
    if (error) {
        return path;
    }
    const fs::path normal = absolute.lexically_normal();
    const fs::path relative = normal.lexically_relative(here);
    const bool below = !relative.empty() && *relative.begin() != "..";
    core::PathString shown = below ? relative.native() : normal.native();
    // A folder keeps the separator it was given with.
    const bool folder = path.back() == fs::path::preferred_separator || path.back() == '/';
    if (folder && shown != core::PathString(1, '.') && shown.back() != '/' &&
        shown.back() != fs::path::preferred_separator) {
        shown.push_back(fs::path::preferred_separator);
    }
    return shown;
}

} // namespace quorlane::cli
