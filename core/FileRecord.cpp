#include "core/FileRecord.h"

#include "core/Utf8.h"

namespace quorlane::core {

namespace {

constexpr char16_t escapedByteBase = 0xDC00;

bool isEscapedByte(std::u16string_view text, std::size_t i)
{
    const bool afterHighSurrogate = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
    return text[i] >= escapedByteBase + 0x80 && text[i] <= escapedByteBase + 0xFF &&
           !afterHighSurrogate;
}

} // namespace

PathString PathFromText(std::u16string_view text)
{
    if constexpr (sizeof(PathString::value_type) == sizeof(char16_t)) {
        return PathString(text.begin(), text.end());
    } else {
        PathString path;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (isEscapedByte(text, i)) {
                AppendUtf16AsUtf8(path, text.substr(start, i - start), "\xEF\xBF\xBD");
                path.push_back(static_cast<char>(text[i] - escapedByteBase));
                start = i + 1;
            }
        }
        AppendUtf16AsUtf8(path, text.substr(start), "\xEF\xBF\xBD");
        return path;
    }
}

std::u16string TextFromPath(const PathString& path)
{
    if constexpr (sizeof(PathString::value_type) == sizeof(char16_t)) {
        return std::u16string(path.begin(), path.end());
    } else {
        std::u16string text;
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t valid = ValidUtf8Prefix(rest);
            AppendUtf8AsUtf16(text, rest.substr(0, valid));
            if (valid == rest.size()) {
                break;
            }
            text.push_back(
                static_cast<char16_t>(escapedByteBase + static_cast<unsigned char>(rest[valid])));
            rest.remove_prefix(valid + 1);
        }
        return text;
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
