#include "files/RememberedFolder.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace quorlane::files {

namespace {

std::filesystem::path fileIn(const PathString& programFolder)
{
    PathString path = programFolder;
    path += core::pathSeparator;
    for (char c : std::string_view("filepath.txt")) {
        path.push_back(static_cast<PathString::value_type>(c));
    }
    return path;
}

} // namespace

PathString ReadRememberedFolder(const PathString& programFolder)
{
    std::ifstream file(fileIn(programFolder), std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line)) {
        return {};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::filesystem::path folder(std::u8string(line.begin(), line.end()));
    std::error_code error;
    if (line.empty() || !std::filesystem::is_directory(folder, error)) {
        return {};
    }
    return folder.native();
}

void CreateRememberedFolderFile(const PathString& programFolder)
{
    std::ofstream file(fileIn(programFolder), std::ios::binary | std::ios::trunc);
}

void WriteRememberedFolder(const PathString& programFolder, const PathString& folder)
{
    std::error_code error;
    if (!std::filesystem::exists(fileIn(programFolder), error)) {
        return;
    }
    std::ofstream file(fileIn(programFolder), std::ios::binary | std::ios::trunc);
    const std::u8string text = std::filesystem::path(folder).u8string();
    file.write(reinterpret_cast<const char*>(text.data()),
               static_cast<std::streamsize>(text.size()));
}

} // namespace quorlane::files
