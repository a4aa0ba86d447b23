#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
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

struct FileIdentityHash
{
    std::size_t operator()(const FileIdentity& id) const
    {
        return std::hash<std::uint64_t>()(id.device * 1000003u ^ id.inode);
    }
};

// A file as it stood at one moment: when a later stamp differs, the file was written, replaced
// or linked in between.
struct FileStamp
{
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    std::uint64_t links = 1; // the number of names (hard links) the file has
    bool readOnly = false;   // its owner may not write it
    bool operator==(const FileStamp&) const = default;
};

// How far a write goes before it counts as done.
enum class Durability
{
    Renamed, // the new file replaces the old one in one step; a killed process leaves either
    Synced,  // as Renamed, and on the disk before the call returns, so that a power cut after it
             // cannot lose the file
};

// What a copy wrote, measured on the very bytes that went into it.
struct CopiedFile
{
    std::uint64_t size = 0;
    std::string sha256;
};

// Looks at a written file before it replaces anything: called with the temporary file's path
// once the file is complete and closed. False keeps the file from being put in place.
using WriteCheck = std::function<bool(const PathString& temporary)>;

// Writes the bytes of a file to out while the file is made; false gives up on the file.
using FileContent = std::function<bool(std::ostream& out)>;

// Takes the bytes of a file piece by piece, in order.
using FilePieces = std::function<void(std::string_view piece)>;

// Every way the run and the folder scan touch the disk. The program uses RealFileSystem; tests
// put failures in its way through a subclass. A failure carries the path it concerns: the one
// the caller named, never a temporary file of the operation's own.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // Reads a regular file (after links) whole, and how it stood when read. Anything else is
    // never opened: a pipe or a device is a NotRegularFile failure, a folder an error of its own.
    // bytes is the caller's, so that one buffer serves many files.
    virtual Result<FileStamp> readFile(const PathString& path, std::string& bytes) = 0;
    virtual std::optional<FileStamp> stamp(const PathString& path) = 0;
    virtual Result<std::uint64_t> fileSize(const PathString& path) = 0;
    // Replaces the file at path with bytes in one step: the old file stays whole until the new
    // one is complete, and a temporary file beside it is all that a killed process can leave
    // (see removeStaleTemporaries). An existing file that is read-only is an access failure;
    // anything at path that is not a regular file (a folder, a link, a pipe) is never replaced.
    // A check, when given, sees the complete file first; if it refuses it, the file is removed
    // and nothing replaced (a Rejected failure).
    virtual Status writeFile(const PathString& path, std::string_view bytes, Durability durability,
                             const WriteCheck& check = {}) = 0;
    // Copies the regular file that from leads to (after links) to to, byte for byte, and puts
    // it in place as writeFile does: in one step, never over anything but a regular file, never
    // over a read-only one. The copy has the permissions of from, writable by its owner. copied
    // is filled in before check, when given, sees the complete copy (so that the check can use
    // it). A failure to read from concerns from; any other concerns to.
    virtual Status copyFile(const PathString& from, const PathString& to, CopiedFile& copied,
                            const WriteCheck& check = {}) = 0;
    // Puts a new file holding bytes at path, complete or not at all, and only where nothing of
    // that name stands: a file, folder or link there is never replaced, whoever made it (an
    // error of kind NameTaken). With modeOf, the new file has the
    // permission bits of that file and, where the process may, its owner and group; when it
    // cannot have its group, no member of another group may read it. Not synced: see syncFiles.
    virtual Status createFile(const PathString& path, std::string_view bytes,
                              const PathString& modeOf = {}) = 0;
    // Adds bytes at the end of the regular file at path (never through a link); a write that
    // fails part way is taken back, so that the file ends where it ended before. With cutAt,
    // whatever follows that offset is cut off first.
    virtual Status appendToFile(const PathString& path, std::string_view bytes,
                                std::optional<std::uint64_t> cutAt = std::nullopt) = 0;
    // Makes files and folders (their names, for a folder) last through a power cut.
    virtual Status syncFiles(const std::vector<PathString>& paths) = 0;
    // The same, with the bytes made by content while they are written, so that a large file is
    // never held whole; a content that gives up replaces nothing (a Rejected failure). By
    // default the bytes are gathered first and handed to writeFile.
    virtual Status writeFileFrom(const PathString& path, const FileContent& content,
                                 Durability durability, const WriteCheck& check = {});
    // Writes a new file under a temporary name beside the file beside, and gives that name: one
    // that no other writer takes and that removeStaleTemporaries clears should the process be
    // killed. Made by content and seen complete by check as writeFileFrom does; on a failure or
    // a refusal nothing is left, and the failure concerns beside. Not synced. By default through
    // writeFileFrom.
    virtual Result<PathString> writeTemporaryFrom(const PathString& beside,
                                                  const FileContent& content,
                                                  const WriteCheck& check = {});
    // Reads a regular file as readFile does, handing its bytes on in pieces rather than holding
    // them whole. By default in one piece.
    virtual Status readFileInPieces(const PathString& path, const FilePieces& pieces);
    // Reads at most count bytes of the regular file that path leads to, from offset on; fewer
    // where the file ends. By default the file is read whole and cut.
    virtual Result<std::string> readPart(const PathString& path, std::uint64_t offset,
                                         std::size_t count);
    // The path of what path leads to with every link, "." and ".." resolved; nothing when it
    // does not exist.
    virtual std::optional<PathString> resolvedPath(const PathString& path);
    // Whether the folder lies on a file system that the kernel makes of its own state (processes,
    // devices, drivers), whose entries are no site's files and may never end.
    virtual bool isSystemFolder(const PathString& path);
    // Removes the temporary files that writes of runs which no longer live left in folder.
    virtual void removeStaleTemporaries(const PathString& folder) = 0;
    // The path of the file that path names once the links that make up its last part are
    // followed; path itself when it is no link.
    virtual PathString linkTarget(const PathString& path) = 0;
    // A folder that exists already is an access failure, as on Windows.
    virtual Status createFolder(const PathString& path) = 0;
    virtual Result<FolderListing> listFolder(const PathString& path) = 0;
    virtual bool isFolder(const PathString& path) = 0;
    virtual std::optional<FileIdentity> identity(const PathString& path) = 0;
    // Removes a file, never a folder.
    virtual Status removeFile(const PathString& path) = 0;
    // Removes a folder only when nothing is in it.
    virtual Status removeEmptyFolder(const PathString& path) = 0;
    // Puts the file at from in the place of the file at to in one step, with the permissions,
    // and where the process may the owner and group, of the file at to when there is one: a
    // killed process leaves the one or the other. A failure to open from concerns from; a
    // failed rename concerns to.
    virtual Status moveOver(const PathString& from, const PathString& to) = 0;
    // Gives the file at from the name to in one step, only where nothing of that name stands:
    // a file saved at to meanwhile is never replaced (an error of kind NameTaken, about to).
    virtual Status moveToFreeName(const PathString& from, const PathString& to) = 0;
    // Gives the file at from the second name to, only where nothing of that name stands (an
    // error of kind NameTaken); one that cannot have two names (another
    // file system, say) gives another error. Either concerns to.
    virtual Status linkFile(const PathString& from, const PathString& to) = 0;
};

class RealFileSystem : public FileSystem
{
public:
    Result<FileStamp> readFile(const PathString& path, std::string& bytes) override;
    std::optional<FileStamp> stamp(const PathString& path) override;
    Result<std::uint64_t> fileSize(const PathString& path) override;
    Status writeFile(const PathString& path, std::string_view bytes, Durability durability,
                     const WriteCheck& check = {}) override;
    Status copyFile(const PathString& from, const PathString& to, CopiedFile& copied,
                    const WriteCheck& check = {}) override;
    Status createFile(const PathString& path, std::string_view bytes,
                      const PathString& modeOf = {}) override;
    Status appendToFile(const PathString& path, std::string_view bytes,
                        std::optional<std::uint64_t> cutAt = std::nullopt) override;
    Status syncFiles(const std::vector<PathString>& paths) override;
    Status writeFileFrom(const PathString& path, const FileContent& content, Durability durability,
                         const WriteCheck& check = {}) override;
    Result<PathString> writeTemporaryFrom(const PathString& beside, const FileContent& content,
                                          const WriteCheck& check = {}) override;
    Status readFileInPieces(const PathString& path, const FilePieces& pieces) override;
    Result<std::string> readPart(const PathString& path, std::uint64_t offset,
                                 std::size_t count) override;
    bool isSystemFolder(const PathString& path) override;
    void removeStaleTemporaries(const PathString& folder) override;
    PathString linkTarget(const PathString& path) override;
    Status createFolder(const PathString& path) override;
    Result<FolderListing> listFolder(const PathString& path) override;
    bool isFolder(const PathString& path) override;
    std::optional<FileIdentity> identity(const PathString& path) override;
    Status removeFile(const PathString& path) override;
    Status removeEmptyFolder(const PathString& path) override;
    Status moveOver(const PathString& from, const PathString& to) override;
    Status moveToFreeName(const PathString& from, const PathString& to) override;
    Status linkFile(const PathString& from, const PathString& to) override;
};

// A fresh name for a temporary file beside path, of the kind removeStaleTemporaries removes
// once the process that named it has ended.
PathString TemporaryNameBeside(const PathString& path);

// Whether the file that path leads to, every link along the way followed, lies inside the
// folder that folder leads to.
bool LiesWithin(const PathString& path, const PathString& folder);

// A folder whose canonical path is found once, for the many paths asked about against it: each
// question then resolves only the path asked about.
class CanonicalFolder
{
public:
    explicit CanonicalFolder(const PathString& folder);
    // Whether the file that path leads to lies inside the folder, as LiesWithin tells.
    bool holds(const PathString& path) const;

private:
    std::optional<PathString> m_top; // nothing when the folder cannot be resolved
};

// Orders names as a file manager lists them: letters without regard to case first, then exactly.
bool NameOrder(std::u16string_view a, std::u16string_view b);

} // namespace quorlane::files
