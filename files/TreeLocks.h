#pragma once

#include <map>
#include <optional>
#include <vector>

#include "files/FileSystem.h"

namespace quorlane::files {

// Advisory locks that keep two runs off one tree of folders. A run takes the folders it
// protects, its target and the pages it was given on their own for itself, and every folder
// above them shared with others: two runs over trees where one holds the other then want one
// folder both ways, and the later one has to wait; runs over trees side by side share only the
// folders above them. The locks are the system's own on the folders and files themselves
// (flock; on Windows the sharing of an open folder, and LockFileEx on a file), so no lock file
// is ever left behind, and a process that dies lets go of them.
//
// Locks are taken in one order, by file identity, in every run, so that runs that wait for
// one another can never wait in a ring.
class TreeLocks
{
public:
    TreeLocks() = default;
    TreeLocks(const TreeLocks&) = delete;
    TreeLocks& operator=(const TreeLocks&) = delete;
    ~TreeLocks() { release(); }

    // A folder, or a page file, for this run alone; the folders above it shared.
    void add(const PathString& path);

    // Tries once to take every lock not yet held. Gives the path of the first one that another
    // run holds; nothing when all are held now. What cannot be opened (a folder above that the
    // user may pass through but not read) is passed over: it can hold no page of this run.
    std::optional<PathString> tryTake();

    void release();

private:
    struct Lock
    {
        PathString path;
        bool exclusive = false;
#ifdef _WIN32
        void* handle = nullptr; // open while the lock is held
#else
        int descriptor = -1;
#endif
    };
    struct ByIdentity
    {
        bool operator()(const FileIdentity& a, const FileIdentity& b) const
        {
            return a.device != b.device ? a.device < b.device : a.inode < b.inode;
        }
    };

    void want(const PathString& path, bool exclusive);

    std::map<FileIdentity, Lock, ByIdentity> m_locks;
};

} // namespace quorlane::files
