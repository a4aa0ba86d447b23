// The parts of RealFileSystem that Windows does its own way; the rest is shared with other
// systems (RealFileSystem.cpp).
#include <filesystem>
#include <fstream>
#include <ostream>
#include <windows.h>

#include "files/FileIdentityWindows.h"
#include "files/FileSystem.h"
#include "files/Sha256.h"
#include "files/WindowsFiles.h"

namespace quorlane::files {

namespace fs = std::filesystem;

Result<FileStamp> RealFileSystem::readFile(const PathString& path, std::string& bytes)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return classify(std::make_error_code(std::errc::is_a_directory), path);
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return NotRegularFileError(path);
    }
    // A page that is not there is missing, not unreadable.
    if (!fs::exists(status)) {
        return classify(error ? error : std::make_error_code(std::errc::no_such_file_or_directory),
                        path);
    }
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file) {
        return classify(std::make_error_code(std::errc::permission_denied), path);
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return stamp(path).value_or(FileStamp{});
}

std::optional<FileStamp> RealFileSystem::stamp(const PathString& path)
{
    return WindowsFileStamp(path);
}

Status RealFileSystem::readFileInPieces(const PathString& path, const FilePieces& pieces)
{
    return FileSystem::readFileInPieces(path, pieces);
}

Result<PathString> RealFileSystem::writeTemporaryFrom(const PathString& beside,
                                                      const FileContent& content,
                                                      const WriteCheck& check)
{
    return FileSystem::writeTemporaryFrom(beside, content, check);
}

Status RealFileSystem::writeFile(const PathString& path, std::string_view bytes,
                                 Durability durability, const WriteCheck& check)
{
    const auto content = [bytes](std::ostream& out) {
        return static_cast<bool>(
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    };
    return WindowsWriteReplacing(path, content, durability, check);
}

Status RealFileSystem::writeFileFrom(const PathString& path, const FileContent& content,
                                     Durability durability, const WriteCheck& check)
{
    return WindowsWriteReplacing(path, content, durability, check);
}

Status RealFileSystem::copyFile(const PathString& from, const PathString& to, CopiedFile& copied,
                                const WriteCheck& check)
{
    std::error_code error;
    const fs::file_status source = fs::status(from, error);
    if (fs::is_directory(source)) {
        return classify(std::make_error_code(std::errc::is_a_directory), from);
    }
    if (!fs::exists(source)) {
        return classify(std::make_error_code(std::errc::no_such_file_or_directory), from);
    }
    if (!fs::is_regular_file(source)) {
        return NotRegularFileError(from);
    }
    const fs::file_status target = fs::symlink_status(to, error);
    if (fs::is_directory(target)) {
        return classify(std::make_error_code(std::errc::is_a_directory), to);
    }
    if (fs::exists(target) && !fs::is_regular_file(target)) {
        return NotRegularFileError(to);
    }
    if (fs::exists(target) && (target.permissions() & fs::perms::owner_write) == fs::perms::none) {
        return classify(std::make_error_code(std::errc::permission_denied), to);
    }
    std::ifstream in(fs::path(from), std::ios::binary);
    if (!in) {
        return classify(std::make_error_code(std::errc::permission_denied), from);
    }
    Sha256 digest;
    std::uint64_t size = 0;
    const auto content = [&](std::ostream& out) {
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            const std::string_view piece(buffer, static_cast<std::size_t>(in.gcount()));
            digest.add(piece);
            size += piece.size();
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        return !in.bad() && static_cast<bool>(out);
    };
    const auto measured = [&](const PathString& temporary) {
        copied = {size, digest.hex()};
        return !check || check(temporary);
    };
    return WindowsWriteReplacing(to, content, Durability::Renamed, measured);
}

// Owners and the permission bits of another file are not given on Windows.
Status RealFileSystem::createFile(const PathString& path, std::string_view bytes, const PathString&)
{
    return WindowsCreateNew(path, bytes);
}

Status RealFileSystem::appendToFile(const PathString& path, std::string_view bytes,
                                    std::optional<std::uint64_t> cutAt)
{
    std::error_code error;
    if (cutAt && fs::file_size(path, error) > *cutAt) {
        fs::resize_file(path, *cutAt, error);
        if (error) {
            return classify(error, path);
        }
    }
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        return classify(std::make_error_code(std::errc::io_error), path);
    }
    return {};
}

Status RealFileSystem::syncFiles(const std::vector<PathString>& paths)
{
    return WindowsFlushFiles(paths);
}

void RealFileSystem::removeStaleTemporaries(const PathString& folder)
{
    WindowsRemoveStaleTemporaries(folder);
}

Result<std::string> RealFileSystem::readPart(const PathString& path, std::uint64_t offset,
                                             std::size_t count)
{
    return FileSystem::readPart(path, offset, count);
}

bool RealFileSystem::isSystemFolder(const PathString&)
{
    return false;
}

PathString RealFileSystem::linkTarget(const PathString& path)
{
    std::error_code error;
    fs::path current = path;
    for (int hops = 0; hops < 40 && fs::is_symlink(current, error); ++hops) {
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            break;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.native();
}

std::optional<FileIdentity> RealFileSystem::identity(const PathString& path)
{
    return WindowsFileIdentity(path);
}

Status RealFileSystem::moveOver(const PathString& from, const PathString& to)
{
    std::error_code error;
    const fs::file_status target = fs::status(to, error);
    if (fs::exists(target)) {
        fs::permissions(from, target.permissions(), error);
        if (error) {
            return classify(error, from);
        }
    }
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                        to);
    }
    return {};
}

// As on other systems, a file's own attributes do not keep it from being removed: Windows
// refuses to delete a read-only file, so that attribute is taken off first (and put back when
// the file stays after all).
Status RealFileSystem::removeFile(const PathString& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                        path);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return classify(std::make_error_code(std::errc::is_a_directory), path);
    }
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!DeleteFileW(path.c_str())) {
        const DWORD error = GetLastError();
        if (readOnly) {
            SetFileAttributesW(path.c_str(), attributes);
        }
        return classify(std::error_code(static_cast<int>(error), std::system_category()), path);
    }
    return {};
}

// By the system's own calls, which take paths of any length as the other file operations here
// do: mingw's std::filesystem looks into a folder through _wopendir, which gives up on a path
// beyond MAX_PATH, so an undo left the folders it had emptied. RemoveDirectoryW removes a folder
// only when it is empty; a link to a folder is not one, as on other systems.
Status RealFileSystem::removeEmptyFolder(const PathString& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                        path);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return classify(std::make_error_code(std::errc::not_a_directory), path);
    }
    if (!RemoveDirectoryW(path.c_str())) {
        const DWORD error = GetLastError();
        if (error == ERROR_DIR_NOT_EMPTY) {
            return classify(std::make_error_code(std::errc::directory_not_empty), path);
        }
        return classify(std::error_code(static_cast<int>(error), std::system_category()), path);
    }
    return {};
}

// Without MOVEFILE_REPLACE_EXISTING the move fails where the name is taken, in one step.
Status RealFileSystem::moveToFreeName(const PathString& from, const PathString& to)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                        to);
    }
    return {};
}

Status RealFileSystem::linkFile(const PathString& from, const PathString& to)
{
    if (!CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
        return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                        to);
    }
    return {};
}

PathString TemporaryNameBeside(const PathString& path)
{
    return WindowsTemporaryName(path);
}

} // namespace quorlane::files
