#include "files/ReadBack.h"

#include <algorithm>

#include "core/Utf8.h"
#include "files/LegacyCodec.h"
#include "files/SingleByteCodec.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorlane::files {

namespace {

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

// UTF-8 as the browser reads it, the ASCII that makes up most of a protected page sixteen
// bytes at a time. A stretch with other bytes ends at an ASCII byte, which no sequence holds,
// so each stretch decodes as it would within the whole.
void appendUtf8(std::u16string& text, std::string_view bytes)
{
    text.reserve(text.size() + bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        std::size_t ascii = i;
#if defined(__SSE2__)
        while (ascii + 16 <= n) {
            const __m128i chunk =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + ascii));
            if (_mm_movemask_epi8(chunk) != 0) {
                break;
            }
            ascii += 16;
        }
#endif
        while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80) {
            ++ascii;
        }
        const std::size_t start = text.size();
        text.resize(start + (ascii - i));
        std::transform(bytes.data() + i, bytes.data() + ascii, text.data() + start,
                       [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
        i = ascii;
        if (i >= n) {
            break;
        }
        std::size_t other = i;
        while (other < n && static_cast<unsigned char>(bytes[other]) >= 0x80) {
            ++other;
        }
        core::AppendUtf8AsUtf16(text, bytes.substr(i, other - i));
        i = other;
    }
}

} // namespace

bool ReadBackInto(std::string_view bytes, const PageEncoding& encoding, std::u16string& text)
{
    text.clear();
    const std::string_view mark = ByteOrderMark(encoding);
    if (!bytes.starts_with(mark)) {
        return false;
    }
    bytes.remove_prefix(mark.size());
    if (encoding.kind == Encoding::Utf8) {
        // A malformed sequence becomes U+FFFD, as in the browser, and then differs from the page
        // it was written from, unless the page read U+FFFD there itself.
        appendUtf8(text, bytes);
    } else if (encoding.kind == Encoding::Windows1252) {
        Windows1252().decode(text, bytes);
    } else if (encoding.kind == Encoding::Iso8859_16) {
        Iso885916().decode(text, bytes);
    } else if (encoding.kind == Encoding::Utf16Le || encoding.kind == Encoding::Utf16Be) {
        std::optional<std::u16string> units = utf16Units(bytes, encoding.kind == Encoding::Utf16Be);
        if (!units) {
            return false;
        }
        text = std::move(*units);
    } else if (!DecodeLegacy(encoding.kind, bytes, text)) {
        return false;
    }
    return true;
}

} // namespace quorlane::files
