#pragma once

#include "files/ExcludePatterns.h"
#include "files/FileSystem.h"
#include "files/SiteBounds.h"
#include "files/clsFiles.h"

namespace quorlane::files {

// What a scan passes over, and what it found it could not read.
struct ScanOptions
{
    std::optional<FileIdentity> skipFolder;     // never entered (the run's target folder)
    std::vector<FileError>* failures = nullptr; // each about the folder that could not be read
    // When given, gets every file that is not a page, under the same root as the pages.
    clsFiles* otherFiles = nullptr;
    // When given, gets the folders the scan did not enter: links that lead out of the added
    // folder, and the kernel's own folders.
    std::vector<PassedOver>* passedOver = nullptr;
    // When given, the files and folders it matches (relative to the added folder) are left out:
    // a folder left out is not entered.
    const ExcludePatterns* exclude = nullptr;
};

// Adds every page (.htm, .html in any case) in the folder tree below folderPath to files, depth
// first: a folder's own pages, then each subfolder's whole tree, in name order. An empty
// rootPath becomes folderPath, and every page gets it as RootPath and the rest of its path as
// Filename. A folder that cannot be read is passed over (and told in options.failures, unless
// it vanished), and no folder is entered twice (a link that leads back up the tree ends there).
// The scan stays inside the added folder: a link to a folder is followed, and a link to a page
// taken, only when what it leads to lies inside it, and the kernel's own folders are never
// entered (all told in options.passedOver).
void ScanFolder(FileSystem& fileSystem, const PathString& folderPath, PathString& rootPath,
                clsFiles& files, const ScanOptions& options = {});

// Adds the pages directly inside one folder; gives false when it could not be listed.
bool ScanFolderFiles(FileSystem& fileSystem, const FolderListing& folder,
                     const PathString& rootPath, clsFiles& files);

// Whether a file name names a page: its extension, lower-cased, is "htm" or "html".
bool IsPageName(const PathString& name);

// Creates the missing folders along a file path, each prefix up to a separator in turn; the
// file name itself is not created. Folders that exist are passed over.
void MakeFolders(FileSystem& fileSystem, const PathString& path);

} // namespace quorlane::files
