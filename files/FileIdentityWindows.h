#pragma once

#include <optional>

#include "files/FileSystem.h"

namespace quorlane::files {

// Which file a path leads to on Windows: the volume's serial number and the file's index, as
// GetFileInformationByHandle gives them; nothing when the path leads nowhere.
std::optional<FileIdentity> WindowsFileIdentity(const PathString& path);

// How that file stands: its identity, size, times (nanoseconds since 1970), names and whether it
// is read-only, all from one handle that keeps no other process from reading, writing or
// removing it; nothing when the path leads nowhere.
std::optional<FileStamp> WindowsFileStamp(const PathString& path);

} // namespace quorlane::files
