#include "files/WindowsFiles.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <windows.h>

#include "core/FileRecord.h"
#include "files/FolderNames.h"

namespace quorlane::files {

namespace {

constexpr std::wstring_view temporaryPrefix = L".quorlane-";
constexpr std::wstring_view temporarySuffix = L".tmp";

FileError lastError(const PathString& path)
{
    return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                    path);
}

class Handle
{
public:
    explicit Handle(HANDLE handle)
        : m_handle(handle)
    {
    }
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    bool close()
    {
        const bool closed = !valid() || CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// An output stream's buffer that writes to a file handle; the first failure stays.
class HandleBuffer : public std::streambuf
{
public:
    explicit HandleBuffer(HANDLE file)
        : m_file(file)
    {
        setp(m_buffer, m_buffer + sizeof m_buffer);
    }
    bool failed() const { return m_error != 0; }
    DWORD error() const { return m_error; }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        const char* at = pbase();
        while (m_error == 0 && at < pptr()) {
            DWORD written = 0;
            const auto size = static_cast<DWORD>(pptr() - at);
            if (!WriteFile(m_file, at, size, &written, nullptr) || written == 0) {
                m_error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
                break;
            }
            at += written;
        }
        setp(m_buffer, m_buffer + sizeof m_buffer);
        return m_error == 0;
    }

    HANDLE m_file;
    DWORD m_error = 0;
    char m_buffer[1 << 16];
};

// What stands at path may be replaced: nothing, or a regular file that is not read-only.
Status replaceable(const PathString& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return classify(std::make_error_code(std::errc::is_a_directory), path);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return NotRegularFileError(path);
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return classify(std::make_error_code(std::errc::permission_denied), path);
    }
    return {};
}

// The process id in a temporary file's name, or 0 when name is not one.
DWORD writerOfTemporary(std::wstring_view name)
{
    if (!name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix)) {
        return 0;
    }
    name.remove_prefix(temporaryPrefix.size());
    name.remove_suffix(temporarySuffix.size());
    const std::size_t dash = name.find(L'-');
    if (dash == 0 || dash == std::wstring_view::npos || dash > 9) {
        return 0;
    }
    DWORD writer = 0;
    for (const wchar_t digit : name.substr(0, dash)) {
        if (digit < L'0' || digit > L'9') {
            return 0;
        }
        writer = writer * 10 + static_cast<DWORD>(digit - L'0');
    }
    return writer;
}

bool stillRuns(DWORD processId)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        // A process that is there but not ours to look at counts as running.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

} // namespace

PathString WindowsTemporaryName(const PathString& path)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return core::getFilePathOnly(path) + PathString(temporaryPrefix) +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(random()) +
           PathString(temporarySuffix);
}

namespace {

// Writes content to a fresh temporary file beside path and moves it there with moveFlags.
Status writeThenMove(const PathString& path, const FileContent& content, Durability durability,
                     const WriteCheck& check, DWORD moveFlags)
{
    const PathString temporary = WindowsTemporaryName(path);
    // Readable by others (the check reads it), but neither writable nor removable meanwhile.
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return lastError(path);
    }
    HandleBuffer buffer(file.get());
    std::ostream out(&buffer);
    const bool made = content(out);
    out.flush();
    const bool flushed = durability != Durability::Synced || FlushFileBuffers(file.get()) != 0;
    const DWORD writeError = buffer.failed() ? buffer.error() : flushed ? 0 : GetLastError();
    const bool closed = file.close();
    Status result;
    if (writeError != 0 || !closed) {
        SetLastError(writeError != 0 ? writeError : GetLastError());
        result = lastError(path);
    } else if (!made) {
        result = RejectedError(path);
    } else if (check && !check(temporary)) {
        result = RejectedError(path);
    } else if (!MoveFileExW(temporary.c_str(), path.c_str(), moveFlags)) {
        result = lastError(path);
    }
    if (result.failed()) {
        DeleteFileW(temporary.c_str());
    }
    return result;
}

} // namespace

Status WindowsWriteReplacing(const PathString& path, const FileContent& content,
                             Durability durability, const WriteCheck& check)
{
    if (Status refused = replaceable(path); refused.failed()) {
        return refused;
    }
    return writeThenMove(path, content, durability, check,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

Status WindowsCreateNew(const PathString& path, std::string_view bytes)
{
    const auto content = [bytes](std::ostream& out) {
        return static_cast<bool>(
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    };
    // Without REPLACE_EXISTING the move refuses whatever stands at path by then.
    return writeThenMove(path, content, Durability::Renamed, {}, 0);
}

Status WindowsFlushFiles(const std::vector<PathString>& paths)
{
    for (const PathString& path : paths) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;
        }
        Handle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() || !FlushFileBuffers(file.get())) {
            return lastError(path);
        }
    }
    return {};
}

void WindowsRemoveStaleTemporaries(const PathString& folder)
{
    const Result<std::vector<FolderName>> names = ListFolderNames(folder);
    if (names.failed()) {
        return;
    }
    const PathString base = folder.empty() ? PathString() : folder + L"\\";
    for (const FolderName& entry : names.value()) {
        const DWORD writer = writerOfTemporary(entry.name);
        if (writer == 0 || entry.isFolder || writer == GetCurrentProcessId() || stillRuns(writer)) {
            continue;
        }
        DeleteFileW((base + entry.name).c_str());
    }
}

} // namespace quorlane::files
