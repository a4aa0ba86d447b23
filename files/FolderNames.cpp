#include "files/FolderNames.h"

#include <filesystem>

namespace quorlane::files {

FileResult ListFolderNames(const PathString& folder, std::vector<FolderName>& names)
{
    namespace fs = std::filesystem;
    names.clear();
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code kindError;
        names.push_back({entries->path().filename().native(), entries->is_directory(kindError)});
    }
    if (error) {
        return classify(error);
    }
    return std::nullopt;
}

} // namespace quorlane::files
