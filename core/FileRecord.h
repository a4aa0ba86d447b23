#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorlane::core {

// A path as the platform spells it (UTF-8 bytes on Linux, UTF-16 on Windows).
using PathString = std::filesystem::path::string_type;

inline constexpr auto pathSeparator = std::filesystem::path::preferred_separator;

// One page to protect. The page file is RootPath immediately followed by Filename: RootPath
// is the folder the page was found under (empty for a page picked on its own) and Filename
// the rest of the path.
struct FileRecord
{
    PathString RootPath;
    PathString Filename;

    PathString fullPath() const { return RootPath + Filename; }
    bool operator==(const FileRecord&) const = default;
};

// Page text (UTF-16) as a path, and back.
PathString PathFromText(std::u16string_view text);
std::u16string TextFromPath(const PathString& path);

// The path up to and including its last separator; empty when it has none.
PathString getFilePathOnly(const PathString& fileFullName);

} // namespace quorlane::core
