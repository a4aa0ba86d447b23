#pragma once

#include <string>
#include <unordered_set>

#include "files/FileSystem.h"

namespace quorlane::run {

// The pages the run has taken on. Two paths are the same page when they lead to the same file;
// a path that leads to no file is compared as written (ignoring case on Windows only).
class HandledPaths
{
public:
    explicit HandledPaths(files::FileSystem& fileSystem)
        : m_fileSystem(fileSystem)
    {
    }

    // Adds the page; gives false when it was there already.
    bool insert(const core::PathString& path);
    // Takes a page out again (one that failed, so that another name of it gets its own go).
    void forget(const core::PathString& path) { m_keys.erase(keyOf(path)); }
    void clear() { m_keys.clear(); }

private:
    std::string keyOf(const core::PathString& path);

    files::FileSystem& m_fileSystem;
    std::unordered_set<std::string> m_keys;
};

} // namespace quorlane::run
