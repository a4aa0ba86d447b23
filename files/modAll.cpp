#include "files/modAll.h"

#include <algorithm>
#include <unordered_set>

namespace quorlane::files {

namespace {

using VisitedFolders = std::unordered_set<FileIdentity, FileIdentityHash>;

PathString nameOf(const PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    return last == PathString::npos ? path : path.substr(last + 1);
}

// The part of path below rootPath as the exclude patterns take it: "/" between its parts, none
// in front.
std::u16string relativeText(const PathString& path, const PathString& rootPath)
{
    std::u16string text = core::TextFromPath(
        path.size() > rootPath.size() ? path.substr(rootPath.size()) : PathString());
    std::replace(text.begin(), text.end(), static_cast<char16_t>(core::pathSeparator), u'/');
    const std::size_t start = text.find_first_not_of(u'/');
    return start == std::u16string::npos ? std::u16string() : text.substr(start);
}

// Leaves out of the listing what the patterns exclude.
void leaveOut(FolderListing& folder, const PathString& rootPath, const ExcludePatterns& exclude)
{
    const auto excluded = [&](bool isFolder) {
        return [&, isFolder](const PathString& path) {
            return exclude.excludes(relativeText(path, rootPath), isFolder);
        };
    };
    std::erase_if(folder.files, excluded(false));
    std::erase_if(folder.subfolders, excluded(true));
}

// The walk, with the folders entered so far. It keeps its own stack rather than recursing, so
// that a deep tree cannot exhaust the program's stack.
void scanTree(FileSystem& fileSystem, const PathString& top, const PathString& rootPath,
              clsFiles& files, const ScanOptions& options)
{
    SiteBounds bounds(fileSystem, top);
    const auto passOver = [&](PassedOver passed) {
        if (options.passedOver != nullptr) {
            options.passedOver->push_back(std::move(passed));
        }
    };
    if (auto passed = bounds.checkTop(top)) {
        passOver(std::move(*passed));
        return;
    }
    VisitedFolders visited;
    if (options.skipFolder) {
        visited.insert(*options.skipFolder);
    }
    std::vector<PathString> pending{top};
    while (!pending.empty()) {
        const PathString folderPath = std::move(pending.back());
        pending.pop_back();
        if (folderPath != top) {
            if (auto passed = bounds.check(folderPath)) {
                passOver(std::move(*passed));
                continue;
            }
        }
        if (const auto id = fileSystem.identity(folderPath)) {
            if (!visited.insert(*id).second) {
                continue;
            }
        }
        Result<FolderListing> listed = fileSystem.listFolder(folderPath);
        if (listed.failed()) {
            if (options.failures != nullptr && listed.error().kind != FileError::Kind::Missing) {
                options.failures->push_back(listed.error());
            }
            continue;
        }
        FolderListing folder = std::move(listed).value();
        if (options.exclude != nullptr && !options.exclude->empty()) {
            leaveOut(folder, rootPath, *options.exclude);
        }
        // A page that is a link out of the site would be protected (and in overwrite mode
        // replaced) where it lies, outside the folder the user picked.
        std::erase_if(folder.files, [&](const PathString& file) {
            if (!IsPageName(nameOf(file)) || fileSystem.linkTarget(file) == file) {
                return false;
            }
            // A link that leads nowhere is left for the read to tell of.
            const std::optional<PathString> resolved = fileSystem.resolvedPath(file);
            if (!resolved || bounds.contains(*resolved)) {
                return false;
            }
            passOver({PassedOver::Kind::PageLeavesSite, file, *resolved});
            return true;
        });
        ScanFolderFiles(fileSystem, folder, rootPath, files);
        if (options.otherFiles != nullptr) {
            for (const PathString& file : folder.files) {
                if (!IsPageName(nameOf(file)) && file.size() > rootPath.size()) {
                    options.otherFiles->add(rootPath, file.substr(rootPath.size()));
                }
            }
        }
        // Pushed last to first, so that the first subfolder is taken next.
        pending.insert(pending.end(), folder.subfolders.rbegin(), folder.subfolders.rend());
    }
}

} // namespace

bool IsPageName(const PathString& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == PathString::npos) {
        return false;
    }
    PathString extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](auto c) {
        return c >= 'A' && c <= 'Z' ? static_cast<decltype(c)>(c - 'A' + 'a') : c;
    });
    return extension == PathString{'h', 't', 'm'} || extension == PathString{'h', 't', 'm', 'l'};
}

void ScanFolder(FileSystem& fileSystem, const PathString& folderPath, PathString& rootPath,
                clsFiles& files, const ScanOptions& options)
{
    if (rootPath.empty()) {
        rootPath = folderPath;
    }
    scanTree(fileSystem, folderPath, rootPath, files, options);
}

bool ScanFolderFiles(FileSystem&, const FolderListing& folder, const PathString& rootPath,
                     clsFiles& files)
{
    for (const PathString& file : folder.files) {
        if (!IsPageName(nameOf(file))) {
            continue;
        }
        // The rest of the path is taken by length alone.
        if (file.size() < rootPath.size()) {
            return false;
        }
        files.add(rootPath, file.substr(rootPath.size()));
    }
    return true;
}

void MakeFolders(FileSystem& fileSystem, const PathString& path)
{
    for (std::size_t at = path.find(core::pathSeparator); at != PathString::npos;
         at = path.find(core::pathSeparator, at + 1)) {
        const Status made = fileSystem.createFolder(path.substr(0, at + 1));
        if (made.failed() && made.error().kind != FileError::Kind::Access &&
            made.error().kind != FileError::Kind::InvalidArgument) {
            return;
        }
    }
}

} // namespace quorlane::files
