#include "files/OutputPlacement.h"

#include <cerrno>
#include <filesystem>

#include "core/Utf8.h"
#include "files/modAll.h"

namespace quorlane::files {

namespace {

constexpr auto separator = core::pathSeparator;

PathString text(std::string_view ascii)
{
    return PathString(ascii.begin(), ascii.end());
}

// Whether path, its "." and ".." taken as written, lies below folder.
bool staysBelow(const PathString& path, const PathString& folder)
{
    const std::filesystem::path rest =
        std::filesystem::path(path).lexically_normal().lexically_relative(
            std::filesystem::path(folder).lexically_normal());
    return !rest.empty() && *rest.begin() != std::filesystem::path("..");
}

PathString createNewPath(FileRecord& record)
{
    const std::size_t last = record.Filename.rfind(separator);
    const std::size_t folderLength = last == PathString::npos ? 0 : last + 1;
    PathString folder = record.RootPath + record.Filename.substr(0, folderLength);
    // A bare name has no folder part; its folder is the current one, not the root.
    if (folder.empty()) {
        folder = text(".");
    }
    PathString output =
        folder + separator + text("protected_") + record.Filename.substr(folderLength);
    output = CollapseSeparators(output);
    record.Filename = output;
    return output;
}

// A page picked on its own goes directly into saveDir; one found in an added folder keeps its
// place below it. Not yet collapsed.
PathString copyPath(const FileRecord& record, const PathString& saveDir)
{
    if (record.RootPath.empty()) {
        const std::size_t last = record.Filename.rfind(separator);
        return saveDir + separator +
               (last == PathString::npos ? record.Filename : record.Filename.substr(last + 1));
    }
    return saveDir + separator + record.Filename;
}

} // namespace

PathString CopyOutputPath(const FileRecord& record, const PathString& saveDir)
{
    const PathString output = copyPath(record, saveDir);
    if (!record.RootPath.empty() && !staysBelow(output, saveDir)) {
        return {};
    }
    return CollapseSeparators(output);
}

PathString CollapseSeparators(const PathString& path)
{
    PathString collapsed;
    collapsed.reserve(path.size());
    std::size_t i = 0;
#ifdef _WIN32
    if (path.size() >= 2 && path[0] == separator && path[1] == separator) {
        collapsed.append(2, separator);
        i = 2;
    }
#endif
    while (i < path.size()) {
        collapsed.push_back(path[i]);
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) {
            i += 2;
        } else {
            ++i;
        }
    }
    return collapsed;
}

PathString BackupPath(const PathString& page)
{
    return page + text(".bak");
}

std::optional<BackupFailure> MakeBackup(const PathString& page, std::string_view pageBytes,
                                        FileSystem& fileSystem, const PathString& backupPath)
{
    const PathString backup = backupPath.empty() ? BackupPath(page) : backupPath;
    if (Status made = fileSystem.createFile(backup, pageBytes, page); made.failed()) {
        BackupFailure refused{backup, made.error()};
        refused.nameTaken = made.error().kind == FileError::Kind::NameTaken;
        return refused;
    }
    return std::nullopt;
}

PathString PlaceOutput(FileRecord& record, const core::ProtectionSettings& settings,
                       FileSystem& fileSystem, std::optional<BackupFailure>& failure)
{
    failure.reset();
    const PathString saveDir = core::PathFromText(settings.saveDir);
    PathString output;
    switch (settings.saveMode) {
    case core::SaveMode::Overwrite:
        output = fileSystem.linkTarget(record.fullPath());
        break;
    case core::SaveMode::CopyToFolder:
        output = copyPath(record, saveDir);
        if (!record.RootPath.empty() && !staysBelow(output, saveDir)) {
            failure = BackupFailure{CollapseSeparators(output), {}, true};
            return {};
        }
        if (record.RootPath.empty()) {
            record.Filename = output;
        } else {
            record.RootPath = saveDir;
        }
        break;
    case core::SaveMode::CreateNew:
        output = createNewPath(record);
        break;
    }
    output = CollapseSeparators(output);
    MakeFolders(fileSystem, output);
    return output;
}

} // namespace quorlane::files
