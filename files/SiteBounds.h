#pragma once

#include <vector>

#include "files/FileSystem.h"

namespace quorlane::files {

// A folder that a walk of an added folder did not enter, and why.
struct PassedOver
{
    enum class Kind
    {
        LeavesSite,     // a link to a folder outside the added folder; target: where it leads
        SystemFolder,   // the kernel's own folders (processes, devices), never a site's
        PageLeavesSite, // a link to a page outside the added folder; target: where it leads
    };
    Kind kind = Kind::LeavesSite;
    PathString folder;
    PathString target;
    bool operator==(const PassedOver&) const = default;
};

// Where a walk of one added folder may go: into the folders inside it, never out of it through
// a link, and never into the kernel's own folders (/proc, /sys, /dev and file systems of their
// kind), wherever they are mounted.
class SiteBounds
{
public:
    SiteBounds(FileSystem& fileSystem, const PathString& top);

    // Why the added folder itself is not to be entered: it is one of the kernel's own.
    std::optional<PassedOver> checkTop(const PathString& top);
    // Why folder is not to be entered; nothing when it may be. A folder that is no link is
    // inside when the folder it was listed in is, so only links are resolved.
    std::optional<PassedOver> check(const PathString& folder);
    // Whether the file or folder that path leads to, once resolved, lies inside the added
    // folder: one of the folders above it (or it) is the added folder itself, as a file.
    bool contains(const PathString& path);

private:
    bool isSystem(const PathString& folder, const std::optional<FileIdentity>& identity,
                  const std::optional<PathString>& resolved);

    FileSystem& m_fileSystem;
    std::optional<FileIdentity> m_top;
    std::vector<FileIdentity> m_systemFolders;
};

} // namespace quorlane::files
