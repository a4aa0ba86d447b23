#include "files/ReadBack.h"

#include "core/Utf8.h"
#include "files/LegacyCodec.h"
#include "files/SingleByteCodec.h"

namespace quorlane::files {

namespace {

std::string_view byteOrderMarkOf(const PageEncoding& encoding)
{
    if (!encoding.byteOrderMark) {
        return {};
    }
    if (encoding.name == "UTF-16LE") {
        return "\xFF\xFE";
    }
    if (encoding.name == "UTF-16BE") {
        return "\xFE\xFF";
    }
    return encoding.name == "UTF-8" ? "\xEF\xBB\xBF" : "";
}

// Every code unit as it stands, lone surrogates too: the comparison with the page tells
// whether they belong there.
std::optional<std::u16string> utf16Units(std::string_view bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto first = static_cast<unsigned char>(bytes[2 * k]);
        const auto second = static_cast<unsigned char>(bytes[2 * k + 1]);
        text[k] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

} // namespace

std::optional<std::u16string> ReadBackAs(std::string_view bytes, const PageEncoding& encoding)
{
    const std::string_view mark = byteOrderMarkOf(encoding);
    if (!bytes.starts_with(mark)) {
        return std::nullopt;
    }
    bytes.remove_prefix(mark.size());
    std::u16string text;
    if (encoding.name == "UTF-8") {
        if (!core::IsValidUtf8(bytes)) {
            return std::nullopt;
        }
        core::AppendUtf8AsUtf16(text, bytes);
    } else if (encoding.name == "windows-1252") {
        Windows1252().decode(text, bytes);
    } else if (encoding.name == "ISO-8859-16") {
        Iso885916().decode(text, bytes);
    } else if (encoding.name == "UTF-16LE" || encoding.name == "UTF-16BE") {
        return utf16Units(bytes, encoding.name == "UTF-16BE");
    } else if (!DecodeLegacy(encoding.name, bytes, text)) {
        return std::nullopt;
    }
    return text;
}

} // namespace quorlane::files
