#include "core/FileRecord.h"

#include "core/Utf8.h"

namespace quorlane::core {

PathString PathFromText(std::u16string_view text)
{
    if constexpr (sizeof(PathString::value_type) == sizeof(char16_t)) {
        return PathString(text.begin(), text.end());
    } else {
        return Utf16ToUtf8(text);
    }
}

std::u16string TextFromPath(const PathString& path)
{
    if constexpr (sizeof(PathString::value_type) == sizeof(char16_t)) {
        return std::u16string(path.begin(), path.end());
    } else {
        return Utf8ToUtf16(path);
    }
}

PathString getFilePathOnly(const PathString& fileFullName)
{
    const std::size_t last = fileFullName.rfind(pathSeparator);
    if (last == PathString::npos) {
        return {};
    }
    return fileFullName.substr(0, last + 1);
}

} // namespace quorlane::core
