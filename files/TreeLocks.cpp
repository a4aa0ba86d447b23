#include "files/TreeLocks.h"

#include <filesystem>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorlane::files {

namespace fs = std::filesystem;

void TreeLocks::add(const PathString& path)
{
    std::error_code error;
    fs::path full = fs::canonical(path, error);
    if (error) {
        return; // nothing there: nothing of it can be written by this run either
    }
    want(full.native(), true);
    for (fs::path above = full.parent_path(); !above.empty(); above = above.parent_path()) {
        want(above.native(), false);
        if (above == above.root_path()) {
            break;
        }
    }
}

#ifndef _WIN32

void TreeLocks::want(const PathString& path, bool exclusive)
{
    struct stat info
    {
    };
    // Only folders and regular files: opening anything else may wait or act on a device.
    if (::stat(path.c_str(), &info) != 0 || !(S_ISDIR(info.st_mode) || S_ISREG(info.st_mode))) {
        return;
    }
    const FileIdentity id{static_cast<std::uint64_t>(info.st_dev),
                          static_cast<std::uint64_t>(info.st_ino)};
    Lock& lock = m_locks[id];
    if (lock.path.empty()) {
        lock.path = path;
    }
    // Wanted both ways (a folder given twice, or one given and one above another given): for
    // this run alone. A lock once held is never changed from one way to the other.
    if (exclusive && !lock.exclusive && lock.descriptor < 0) {
        lock.exclusive = true;
        lock.path = path;
    }
}

std::optional<PathString> TreeLocks::tryTake()
{
    for (auto& [id, lock] : m_locks) {
        if (lock.descriptor >= 0) {
            continue;
        }
        const int descriptor = ::open(lock.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            continue;
        }
        struct stat info
        {
        };
        // Another file by now than the one asked for: none of this run's, then.
        if (::fstat(descriptor, &info) != 0 || info.st_ino != id.inode ||
            static_cast<std::uint64_t>(info.st_dev) != id.device) {
            ::close(descriptor);
            continue;
        }
        if (::flock(descriptor, (lock.exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK) {
                return lock.path;
            }
            continue; // a file system without such locks (some network ones) cannot hold them
        }
        lock.descriptor = descriptor;
    }
    return std::nullopt;
}

void TreeLocks::release()
{
    for (auto& [id, lock] : m_locks) {
        if (lock.descriptor >= 0) {
            ::close(lock.descriptor);
            lock.descriptor = -1;
        }
    }
    m_locks.clear();
}

#endif

} // namespace quorlane::files
