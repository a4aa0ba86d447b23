#include "files/FileIdentityWindows.h"

#include <windows.h>

namespace quorlane::files {

namespace {

// The 100-nanosecond ticks since 1601 of a file time, as nanoseconds since 1970.
std::int64_t nanosecondsOf(LARGE_INTEGER time)
{
    constexpr std::int64_t ticksFrom1601To1970 = 116444736000000000;
    return (time.QuadPart - ticksFrom1601To1970) * 100;
}

// What Windows tells of the file a path leads to, asked through a handle that leaves every
// access to others: a file that another process holds open, or that is read-only, is described
// all the same. Backup semantics let a folder be opened too.
struct Described
{
    BY_HANDLE_FILE_INFORMATION file{};
    FILE_BASIC_INFO times{};
};

std::optional<Described> describe(const PathString& path, bool withTimes)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    Described described;
    bool known = GetFileInformationByHandle(file, &described.file) != 0;
    if (known && withTimes) {
        known = GetFileInformationByHandleEx(file, FileBasicInfo, &described.times,
                                             sizeof described.times) != 0;
    }
    CloseHandle(file);
    return known ? std::optional(described) : std::nullopt;
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& file)
{
    return FileIdentity{file.dwVolumeSerialNumber,
                        std::uint64_t(file.nFileIndexHigh) << 32 | file.nFileIndexLow};
}

} // namespace

std::optional<FileIdentity> WindowsFileIdentity(const PathString& path)
{
    const std::optional<Described> described = describe(path, false);
    return described ? std::optional(identityOf(described->file)) : std::nullopt;
}

std::optional<FileStamp> WindowsFileStamp(const PathString& path)
{
    const std::optional<Described> described = describe(path, true);
    if (!described) {
        return std::nullopt;
    }
    const BY_HANDLE_FILE_INFORMATION& file = described->file;
    FileStamp stamp;
    stamp.identity = identityOf(file);
    stamp.size = std::uint64_t(file.nFileSizeHigh) << 32 | file.nFileSizeLow;
    stamp.modifiedNs = nanosecondsOf(described->times.LastWriteTime);
    stamp.changedNs = nanosecondsOf(described->times.ChangeTime);
    stamp.links = file.nNumberOfLinks;
    stamp.readOnly = (file.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return stamp;
}

} // namespace quorlane::files
