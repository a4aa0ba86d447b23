#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorlane::core {

// A path as the platform spells it (UTF-8 bytes on Linux, UTF-16 on Windows).
using PathString = std::filesystem::path::string_type;

inline constexpr auto pathSeparator = std::filesystem::path::preferred_separator;
// What separates the parts of a path given to the program: on Windows "/" as well as "\".
#ifdef _WIN32
inline constexpr PathString::value_type pathSeparators[] = L"\\/";
#else
inline constexpr PathString::value_type pathSeparators[] = "/";
#endif

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

// A path as text (UTF-16), and back, without loss: where the platform's path bytes are not
// UTF-8, each byte of a malformed sequence becomes the lone code unit U+DC00 + byte (U+DC80 to
// U+DCFF), which no well-formed text holds, and turns back into that byte. Shown to a person,
// such a unit reads as U+FFFD.
PathString PathFromText(std::u16string_view text);
std::u16string TextFromPath(const PathString& path);

// The path of a relative address ("sub/page.html"): its "/" become the platform's separator,
// so that the path has one separator throughout.
PathString PathFromAddress(std::u16string_view address);

// The path up to and including its last separator; empty when it has none.
PathString getFilePathOnly(const PathString& fileFullName);

} // namespace quorlane::core
