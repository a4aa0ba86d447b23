#include "files/FolderNames.h"

#include <filesystem>

namespace quorlane::files {

Result<std::vector<FolderName>> ListFolderNames(const PathString& folder)
{
    namespace fs = std::filesystem;
    std::vector<FolderName> names;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code kindError;
        names.push_back({entries->path().filename().native(), entries->is_directory(kindError)});
    }
    if (error) {
        return classify(error, folder);
    }
    return names;
}

} // namespace quorlane::files
