#include "files/FileIdentityWindows.h"

#include <windows.h>

namespace quorlane::files {

std::optional<FileIdentity> WindowsFileIdentity(const PathString& path)
{
    // No access asked for: the identity of a file that another process holds open, or that is
    // read-only, is there all the same. Backup semantics let a folder be opened too.
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, std::uint64_t(information.nFileIndexHigh)
                                                                  << 32 |
                                                              information.nFileIndexLow};
}

} // namespace quorlane::files
