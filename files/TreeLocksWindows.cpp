// The locks of TreeLocks on Windows. A folder is locked by holding it open with the right to
// add files to it (the "write" access of a folder) and the sharing its lock allows: shared,
// others may open it so too; for this run alone, no one may meanwhile. Listing a folder,
// opening the files in it, and a process's current folder ask for no such access, so the
// run's own work and that of other programs go on. A folder the user may not add files to
// holds no page this run writes and is passed over. A page file given on its own is not held
// open: Windows replaces no file that is open, and the run replaces it. Its folder is locked
// shared, as every folder above a run's pages is.
#include <windows.h>

#include "files/FileIdentityWindows.h"
#include "files/TreeLocks.h"

namespace quorlane::files {

namespace {

bool isFolder(const PathString& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A folder opened with the sharing of its lock; INVALID_HANDLE_VALUE with the error when
// another run holds it the other way.
HANDLE openFolder(const PathString& path, bool exclusive)
{
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_DELETE | (exclusive ? 0 : FILE_SHARE_WRITE);
    return CreateFileW(path.c_str(), FILE_ADD_FILE, sharing, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

void TreeLocks::want(const PathString& path, bool exclusive)
{
    const std::optional<FileIdentity> id = WindowsFileIdentity(path);
    if (!id) {
        return;
    }
    Lock& lock = m_locks[*id];
    if (lock.path.empty()) {
        lock.path = path;
    }
    // Wanted both ways: for this run alone. A lock once held is never changed.
    if (exclusive && !lock.exclusive && lock.handle == nullptr) {
        lock.exclusive = true;
        lock.path = path;
    }
}

std::optional<PathString> TreeLocks::tryTake()
{
    for (auto& [id, lock] : m_locks) {
        if (lock.handle != nullptr) {
            continue;
        }
        if (!isFolder(lock.path)) {
            continue;
        }
        const HANDLE handle = openFolder(lock.path, lock.exclusive);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_SHARING_VIOLATION) {
                return lock.path;
            }
            continue; // a folder that cannot be opened holds no page of this run
        }
        // Another file by now than the one asked for: none of this run's, then.
        if (WindowsFileIdentity(lock.path) != id) {
            CloseHandle(handle);
            continue;
        }
        lock.handle = handle;
    }
    return std::nullopt;
}

void TreeLocks::release()
{
    for (auto& [id, lock] : m_locks) {
        if (lock.handle != nullptr) {
            CloseHandle(lock.handle);
            lock.handle = nullptr;
        }
    }
    m_locks.clear();
}

} // namespace quorlane::files
