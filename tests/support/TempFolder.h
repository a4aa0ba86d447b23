#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/FileRecord.h"
#include "core/Utf8.h"
#include "files/FileSystem.h"

// Real folders and files for the tests, and a file system that fails where a test says.
namespace quorlane::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed again at the end.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return m_path; }
    core::PathString str() const { return m_path.native(); }
    // Writes bytes to the file at relative, making its folders.
    fs::path write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const
    {
        return fs::exists(m_path / fs::u8path(relative));
    }

private:
    fs::path m_path;
};

std::string ReadBytes(const fs::path& path);

// A path written with "/" (UTF-8) in the platform's own form and separator.
inline core::PathString Native(std::string_view path)
{
    return core::PathFromAddress(core::Utf8ToUtf16(path));
}

// The line every protected file ends with.
inline const std::string marker = "\r\n<!-- This webpage was protected by Quorlane //-->\r\n";

// How often the protected-page marker stands in bytes.
std::size_t MarkerCount(const std::string& bytes);

// The manifest a run left in folder; empty when there is none.
std::string ManifestIn(const fs::path& folder);

// A made-up site: page i is p<i>.htm, of some kilobytes, so that a run over a few hundred of
// them takes a while.
std::string SitePageName(int i);
std::string SitePage(int i);
void WriteSite(const TempFolder& site, int pages);

// Every file and folder below root by its path below root, with a file's bytes ("<folder>" for
// a folder): two trees are the same when these are equal.
std::map<std::string, std::string> TreeOf(const fs::path& root);

// The real file system, with failures put in the way of chosen operations on chosen paths.
class FaultyFileSystem : public files::RealFileSystem
{
public:
    enum class Operation
    {
        Read,
        Size,
        Write,
        CreateFolder,
        List,
        Append,
        Remove,
    };
    // Operations on a path for which fault gives an error fail with it, the error made to
    // concern that path.
    using Fault =
        std::function<std::optional<files::FileError>(Operation, const core::PathString&)>;
    void setFault(Fault fault) { m_fault = std::move(fault); }
    // Changes the bytes of a write before they go to the disk: a stand-in for an encoder that
    // went wrong.
    using Damage = std::function<void(const core::PathString&, std::string&)>;
    void setDamage(Damage damage) { m_damage = std::move(damage); }

    files::Result<files::FileStamp> readFile(const core::PathString& path,
                                             std::string& bytes) override
    {
        return unlessFault(Operation::Read, path,
                           [&] { return RealFileSystem::readFile(path, bytes); });
    }
    files::Result<std::uint64_t> fileSize(const core::PathString& path) override
    {
        return unlessFault(Operation::Size, path, [&] { return RealFileSystem::fileSize(path); });
    }
    files::Status writeFile(const core::PathString& path, std::string_view bytes,
                            files::Durability durability,
                            const files::WriteCheck& check = {}) override;
    // Through writeFile, so that its faults and damage apply.
    files::Status writeFileFrom(const core::PathString& path, const files::FileContent& content,
                                files::Durability durability,
                                const files::WriteCheck& check = {}) override
    {
        return FileSystem::writeFileFrom(path, content, durability, check);
    }
    files::Result<core::PathString> writeTemporaryFrom(const core::PathString& beside,
                                                       const files::FileContent& content,
                                                       const files::WriteCheck& check = {}) override
    {
        return FileSystem::writeTemporaryFrom(beside, content, check);
    }
    // A new file is a write, too.
    files::Status createFile(const core::PathString& path, std::string_view bytes,
                             const core::PathString& modeOf = {}) override
    {
        return unlessFault(Operation::Write, path,
                           [&] { return RealFileSystem::createFile(path, bytes, modeOf); });
    }
    // A second name is a new file, too.
    files::Status linkFile(const core::PathString& from, const core::PathString& to) override
    {
        return unlessFault(Operation::Write, to,
                           [&] { return RealFileSystem::linkFile(from, to); });
    }
    files::Status appendToFile(const core::PathString& path, std::string_view bytes,
                               std::optional<std::uint64_t> cutAt = std::nullopt) override
    {
        return unlessFault(Operation::Append, path,
                           [&] { return RealFileSystem::appendToFile(path, bytes, cutAt); });
    }
    files::Status removeFile(const core::PathString& path) override
    {
        return unlessFault(Operation::Remove, path,
                           [&] { return RealFileSystem::removeFile(path); });
    }
    files::Status createFolder(const core::PathString& path) override
    {
        return unlessFault(Operation::CreateFolder, path,
                           [&] { return RealFileSystem::createFolder(path); });
    }
    files::Result<files::FolderListing> listFolder(const core::PathString& path) override
    {
        return unlessFault(Operation::List, path, [&] { return RealFileSystem::listFolder(path); });
    }

private:
    // The failure the fault gives for the operation on path, else what real gives.
    template <typename Real>
    auto unlessFault(Operation operation, const core::PathString& path, Real real) const
        -> decltype(real())
    {
        if (std::optional<files::FileError> failure =
                m_fault ? m_fault(operation, path) : std::nullopt) {
            failure->path = path;
            return *failure;
        }
        return real();
    }
    Fault m_fault;
    Damage m_damage;
};

// A failure of the given kind, as the system would report it, about no path yet.
files::FileError Failure(files::FileError::Kind kind);

// Runs body in a child process as the unprivileged user "nobody" and gives its exit status, so
// that permission failures are real even when the tests run as root. -1 when that is not
// possible.
int RunAsNobody(const std::function<int()>& body);

} // namespace quorlane::test
