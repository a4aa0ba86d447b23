#pragma once

#include <functional>
#include <unordered_set>
#include <vector>

#include "files/FileSystem.h"

namespace quorlane::run {

// A file system that passes every call on and notes each folder it created, in order, as an
// absolute path: what an undo of the run has to remove again. It also keeps the folders that it
// made or found standing, so that a run does not try again, for every page it places, to make
// each folder above the page: a folder known is not made again until clear() or
// forgetFolders(). Used by one thread at a time.
class FolderRecorder : public files::FileSystem
{
public:
    explicit FolderRecorder(files::FileSystem& inner)
        : m_inner(inner)
    {
    }

    const std::vector<core::PathString>& created() const { return m_created; }
    // The file system it passes calls on to, for folders that are none of the run's to undo.
    files::FileSystem& inner() { return m_inner; }
    // Asked with the absolute path of each folder before it is created; a failure it gives is
    // the failure of the creation, and the folder is not made.
    using BeforeCreate = std::function<files::Status(const core::PathString& folder)>;
    void setBeforeCreate(BeforeCreate beforeCreate) { m_beforeCreate = std::move(beforeCreate); }
    void clear()
    {
        m_created.clear();
        m_folders.clear();
    }
    // For when a folder known has gone: the next folders are made afresh.
    void forgetFolders() { m_folders.clear(); }

    files::Result<files::FileStamp> readFile(const core::PathString& path,
                                             std::string& bytes) override
    {
        return m_inner.readFile(path, bytes);
    }
    std::optional<files::FileStamp> stamp(const core::PathString& path) override
    {
        return m_inner.stamp(path);
    }
    files::Result<std::uint64_t> fileSize(const core::PathString& path) override
    {
        return m_inner.fileSize(path);
    }
    files::Status writeFile(const core::PathString& path, std::string_view bytes,
                            files::Durability durability,
                            const files::WriteCheck& check = {}) override
    {
        return m_inner.writeFile(path, bytes, durability, check);
    }
    files::Status copyFile(const core::PathString& from, const core::PathString& to,
                           files::CopiedFile& copied, const files::WriteCheck& check = {}) override
    {
        return m_inner.copyFile(from, to, copied, check);
    }
    files::Status createFile(const core::PathString& path, std::string_view bytes,
                             const core::PathString& modeOf = {}) override
    {
        return m_inner.createFile(path, bytes, modeOf);
    }
    files::Status appendToFile(const core::PathString& path, std::string_view bytes,
                               std::optional<std::uint64_t> cutAt = std::nullopt) override
    {
        return m_inner.appendToFile(path, bytes, cutAt);
    }
    files::Status syncFiles(const std::vector<core::PathString>& paths) override
    {
        return m_inner.syncFiles(paths);
    }
    files::Status writeFileFrom(const core::PathString& path, const files::FileContent& content,
                                files::Durability durability,
                                const files::WriteCheck& check = {}) override
    {
        return m_inner.writeFileFrom(path, content, durability, check);
    }
    files::Result<core::PathString> writeTemporaryFrom(const core::PathString& beside,
                                                       const files::FileContent& content,
                                                       const files::WriteCheck& check = {}) override
    {
        return m_inner.writeTemporaryFrom(beside, content, check);
    }
    files::Status readFileInPieces(const core::PathString& path,
                                   const files::FilePieces& pieces) override
    {
        return m_inner.readFileInPieces(path, pieces);
    }
    files::Result<std::string> readPart(const core::PathString& path, std::uint64_t offset,
                                        std::size_t count) override
    {
        return m_inner.readPart(path, offset, count);
    }
    std::optional<core::PathString> resolvedPath(const core::PathString& path) override
    {
        return m_inner.resolvedPath(path);
    }
    bool isSystemFolder(const core::PathString& path) override
    {
        return m_inner.isSystemFolder(path);
    }
    void removeStaleTemporaries(const core::PathString& folder) override
    {
        m_inner.removeStaleTemporaries(folder);
    }
    core::PathString linkTarget(const core::PathString& path) override
    {
        return m_inner.linkTarget(path);
    }
    files::Status createFolder(const core::PathString& path) override;
    files::Result<files::FolderListing> listFolder(const core::PathString& path) override
    {
        return m_inner.listFolder(path);
    }
    bool isFolder(const core::PathString& path) override { return m_inner.isFolder(path); }
    std::optional<files::FileIdentity> identity(const core::PathString& path) override
    {
        return m_inner.identity(path);
    }
    files::Status removeFile(const core::PathString& path) override
    {
        return m_inner.removeFile(path);
    }
    files::Status removeEmptyFolder(const core::PathString& path) override;
    files::Status moveOver(const core::PathString& from, const core::PathString& to) override
    {
        return m_inner.moveOver(from, to);
    }
    files::Status moveToFreeName(const core::PathString& from, const core::PathString& to) override
    {
        return m_inner.moveToFreeName(from, to);
    }
    files::Status linkFile(const core::PathString& from, const core::PathString& to) override
    {
        return m_inner.linkFile(from, to);
    }

private:
    files::FileSystem& m_inner;
    BeforeCreate m_beforeCreate;
    std::vector<core::PathString> m_created;
    std::unordered_set<core::PathString> m_folders; // without the separator that may end them
};

// path made absolute against the current folder, "." and ".." parts taken out.
core::PathString AbsolutePath(const core::PathString& path);

} // namespace quorlane::run
