#include "core/FileRecord.h"

#include <algorithm>

#include "core/Utf8.h"

namespace quorlane::core {

#ifdef _WIN32

PathString PathFromText(std::u16string_view text)
{
    return PathString(text.begin(), text.end());
}

std::u16string TextFromPath(const PathString& path)
{
    return std::u16string(path.begin(), path.end());
}

#else

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

std::u16string TextFromPath(const PathString& path)
{
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

#endif

PathString PathFromAddress(std::u16string_view address)
{
    PathString path = PathFromText(address);
    std::replace(path.begin(), path.end(), PathString::value_type('/'), pathSeparator);
    return path;
}

PathString getFilePathOnly(const PathString& fileFullName)
{
    const std::size_t last = fileFullName.find_last_of(pathSeparators);
    if (last == PathString::npos) {
        return {};
    }
    return fileFullName.substr(0, last + 1);
}

} // namespace quorlane::core
