#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRecord.h"
#include "files/FileError.h"

namespace quorlane::files {

using core::PathString;

// What a folder holds, each list sorted by name as the platform's file manager would list it.
struct FolderListing
{
    PathString path;                    // the folder's own path, as the file system reports it
    std::vector<PathString> subfolders; // full paths
    std::vector<PathString> files;      // full paths, hidden files included
};

// Which file a path leads to, after links; two paths that lead to one file have one identity.
struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Every way the run and the folder scan touch the disk. The program uses RealFileSystem; tests
// put failures in its way through a subclass.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    virtual FileResult readFile(const PathString& path, std::string& bytes) = 0;
    virtual FileResult fileSize(const PathString& path, std::uint64_t& size) = 0;
    // Replaces the file at path with bytes in one step: the old file stays whole until the new
    // one is complete. An existing file that is read-only is an access failure.
    virtual FileResult writeFile(const PathString& path, std::string_view bytes) = 0;
    // A byte-for-byte copy; an existing target is replaced.
    virtual FileResult copyFile(const PathString& from, const PathString& to) = 0;
    virtual FileResult removeFile(const PathString& path) = 0;
    // A folder that exists already is an access failure, as on Windows.
    virtual FileResult createFolder(const PathString& path) = 0;
    virtual FileResult listFolder(const PathString& path, FolderListing& listing) = 0;
    virtual bool isFolder(const PathString& path) = 0;
    virtual std::optional<FileIdentity> identity(const PathString& path) = 0;
};

class RealFileSystem : public FileSystem
{
public:
    FileResult readFile(const PathString& path, std::string& bytes) override;
    FileResult fileSize(const PathString& path, std::uint64_t& size) override;
    FileResult writeFile(const PathString& path, std::string_view bytes) override;
    FileResult copyFile(const PathString& from, const PathString& to) override;
    FileResult removeFile(const PathString& path) override;
    FileResult createFolder(const PathString& path) override;
    FileResult listFolder(const PathString& path, FolderListing& listing) override;
    bool isFolder(const PathString& path) override;
    std::optional<FileIdentity> identity(const PathString& path) override;
};

// Orders names as a file manager lists them: letters without regard to case first, then exactly.
bool NameOrder(std::u16string_view a, std::u16string_view b);

} // namespace quorlane::files
