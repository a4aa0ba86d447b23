#include "cli/PathList.h"

#include <filesystem>
#include <fstream>
#include <istream>

#include "cli/ArgumentPath.h"

namespace quorlane::cli {

std::vector<std::string> ReadPathList(std::istream& in, bool nulSeparated)
{
    std::vector<std::string> paths;
    std::string path;
    while (std::getline(in, path, nulSeparated ? '\0' : '\n')) {
        if (!nulSeparated && path.ends_with('\r')) {
            path.pop_back();
        }
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

std::optional<std::string> AddListedPaths(const std::string& source, bool nulSeparated,
                                          std::istream& in, std::vector<std::string>& paths)
{
    std::ifstream file;
    if (source != "-") {
        file.open(std::filesystem::path(ArgumentPath(source)), std::ios::binary);
        if (!file) {
            return "--files-from: cannot read the list " + source;
        }
    }
    for (std::string& path : ReadPathList(source == "-" ? in : file, nulSeparated)) {
        paths.push_back(std::move(path));
    }
    return std::nullopt;
}

} // namespace quorlane::cli
