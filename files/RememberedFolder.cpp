#include "files/RememberedFolder.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace quorlane::files {

namespace {

std::filesystem::path fileIn(const PathString& programFolder,
                             std::string_view name = "filepath.txt")
{
    PathString path = programFolder;
    path += core::pathSeparator;
    for (char c : name) {
        path.push_back(static_cast<PathString::value_type>(c));
    }
    return path;
}

// The first line of the file, as a path.
std::filesystem::path firstLine(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return {};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return std::filesystem::path(std::u8string(line.begin(), line.end()));
}

} // namespace

PathString ReadRememberedFolder(const PathString& programFolder)
{
    const std::filesystem::path folder = firstLine(fileIn(programFolder));
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return {};
    }
    return folder.native();
}

PathString ReadRememberedProject(const PathString& programFolder)
{
    const std::filesystem::path project = firstLine(fileIn(programFolder, "lastproject.txt"));
    std::error_code error;
    if (project.empty() || !std::filesystem::is_regular_file(project, error)) {
        return {};
    }
    return project.native();
}

void WriteRememberedProject(const PathString& programFolder, const PathString& project)
{
    std::ofstream file(fileIn(programFolder, "lastproject.txt"),
                       std::ios::binary | std::ios::trunc);
    const std::u8string text = std::filesystem::path(project).u8string();
    file.write(reinterpret_cast<const char*>(text.data()),
               static_cast<std::streamsize>(text.size()));
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
