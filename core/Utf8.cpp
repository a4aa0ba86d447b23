#include "core/Utf8.h"

#include <cstdint>

namespace quorlane::core {

namespace {

// Decodes the sequence at bytes[i]. Gives the number of bytes it takes and sets valid; a
// malformed sequence takes its lead byte and each continuation byte that could still have
// begun a well-formed one, as the browser's decoder does. The ranges allowed after each lead
// byte rule out overlong forms, surrogates and values above U+10FFFF.
std::size_t decodeOne(std::string_view bytes, std::size_t i, char32_t& value, bool& valid)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = byte(i);
    valid = false;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead < 0x80) {
        value = lead;
        valid = true;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    char32_t code = lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= bytes.size()) {
            return k;
        }
        const std::uint8_t next = byte(i + k);
        const bool inRange = k == 1 ? (next >= low && next <= high) : (next & 0xC0) == 0x80;
        if (!inRange) {
            return k;
        }
        code = (code << 6) | (next & 0x3F);
    }
    value = code;
    valid = true;
    return length;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t value = 0;
        bool valid = false;
        i += decodeOne(bytes, i, value, valid);
        if (!valid) {
            return false;
        }
    }
    return true;
}

void AppendUtf8AsUtf16(std::u16string& out, std::string_view bytes)
{
    out.reserve(out.size() + bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        char32_t value = 0;
        bool valid = false;
        i += decodeOne(bytes, i, value, valid);
        if (!valid) {
            out.push_back(0xFFFD);
        } else if (value < 0x10000) {
            out.push_back(static_cast<char16_t>(value));
        } else {
            value -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        }
    }
}

std::u16string Utf8ToUtf16(std::string_view bytes)
{
    std::u16string text;
    AppendUtf8AsUtf16(text, bytes);
    return text;
}

void AppendUtf16AsUtf8(std::string& out, std::u16string_view text, std::string_view replacement)
{
    out.reserve(out.size() + text.size());
    const auto put = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            const char32_t value = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
            put(0xF0 | (value >> 18));
            put(0x80 | ((value >> 12) & 0x3F));
            put(0x80 | ((value >> 6) & 0x3F));
            put(0x80 | (value & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += replacement;
        } else {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string bytes;
    AppendUtf16AsUtf8(bytes, text, "\xEF\xBF\xBD");
    return bytes;
}

} // namespace quorlane::core
