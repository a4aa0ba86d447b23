#include "core/Utf8.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The end of the run of ASCII bytes that starts at i.
std::size_t skipAscii(std::string_view bytes, std::size_t i)
{
#if defined(__SSE2__)
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        const int high = _mm_movemask_epi8(block);
        if (high != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
        }
    }
#endif
    while (i < bytes.size() && static_cast<std::uint8_t>(bytes[i]) < 0x80) {
        ++i;
    }
    return i;
}

// Copies the run of ASCII code units that starts at i to dst, as bytes; gives its end.
std::size_t asciiUnitsEnd(std::u16string_view text, std::size_t i, char* dst)
{
    const std::size_t start = i;
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(units, nonAscii), _mm_setzero_si128());
        if (_mm_movemask_epi8(ascii) != 0xFFFF) {
            break;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + (i - start)),
                         _mm_packus_epi16(units, units));
    }
#endif
    for (; i < text.size() && text[i] < 0x80; ++i) {
        dst[i - start] = static_cast<char>(text[i]);
    }
    return i;
}

} // namespace

std::size_t ValidUtf8Prefix(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        i = skipAscii(bytes, i);
        if (i >= bytes.size()) {
            break;
        }
        if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t value = 0;
        bool valid = false;
        const std::size_t length = decodeOne(bytes, i, value, valid);
        if (!valid) {
            return i;
        }
        i += length;
    }
    return bytes.size();
}

bool IsValidUtf8(std::string_view bytes)
{
    return ValidUtf8Prefix(bytes) == bytes.size();
}

void AppendUtf8AsUtf16(std::u16string& out, std::string_view bytes)
{
    out.reserve(out.size() + bytes.size()); // never more units than bytes
    // Decoded in slices through a buffer in cache, so that out is written once.
    constexpr std::size_t sliceBytes = 4096;
    char16_t buffer[sliceBytes + 4];
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t sliceEnd = std::min(bytes.size(), i + sliceBytes);
        char16_t* dst = buffer;
        while (i < sliceEnd) {
            const std::size_t asciiEnd = skipAscii(bytes.substr(0, sliceEnd), i);
            for (; i < asciiEnd; ++i) {
                *dst++ = static_cast<unsigned char>(bytes[i]);
            }
            if (i >= sliceEnd) {
                break;
            }
            char32_t value = 0;
            bool valid = false;
            i += decodeOne(bytes, i, value, valid);
            if (!valid) {
                *dst++ = 0xFFFD;
            } else if (value < 0x10000) {
                *dst++ = static_cast<char16_t>(value);
            } else {
                value -= 0x10000;
                *dst++ = static_cast<char16_t>(0xD800 + (value >> 10));
                *dst++ = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
            }
        }
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
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
    const std::size_t start = out.size();
    out.resize(start + text.size() * std::max<std::size_t>(3, replacement.size()));
    char* dst = out.data() + start;
    const auto put = [&dst](char32_t value) { *dst++ = static_cast<char>(value); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t asciiEnd = asciiUnitsEnd(text, i, dst);
        dst += asciiEnd - i;
        i = asciiEnd;
        if (i >= text.size()) {
            break;
        }
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
            dst = std::copy(replacement.begin(), replacement.end(), dst);
        } else {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string bytes;
    AppendUtf16AsUtf8(bytes, text, "\xEF\xBF\xBD");
    return bytes;
}

} // namespace quorlane::core
