#pragma once

#include <optional>

#include "files/FileSystem.h"

namespace quorlane::files {

// Which file a path leads to on Windows: the volume's serial number and the file's index, as
// GetFileInformationByHandle gives them; nothing when the path leads nowhere.
std::optional<FileIdentity> WindowsFileIdentity(const PathString& path);

} // namespace quorlane::files
