#include "files/ReadBack.h"

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

// Writes ASCII bytes to out as code units, sixteen at a time where it can.
void widenAscii(std::string_view bytes, char16_t* out)
{
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= bytes.size(); k += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), _mm_unpackhi_epi8(chunk, zero));
    }
#endif
    for (; k < bytes.size(); ++k) {
        out[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[k]));
    }
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
        widenAscii(bytes.substr(i, ascii - i), text.data() + start);
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

// Appends the text of a stretch of bytes that starts and ends between two characters.
bool decodeStretch(std::string_view bytes, const PageEncoding& encoding, std::u16string& text)
{
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
        text += *units;
    } else if (!DecodeLegacy(encoding.kind, bytes, text)) {
        return false;
    }
    return true;
}

// Where a stretch of bytes may end: after a byte that no sequence of the encoding holds inside
// it (below 0x30 for the multi-byte encodings, any ASCII byte for the others), after an even
// count for UTF-16; ISO-2022-JP carries its state along and is taken in one stretch.
std::size_t safeEnd(std::string_view bytes, const PageEncoding& encoding)
{
    switch (encoding.kind) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        return bytes.size() - bytes.size() % 2;
    case Encoding::Iso2022Jp:
        return 0;
    default:
        break;
    }
    const unsigned char limit = IsMultiByte(encoding.kind) ? 0x30 : 0x80;
    for (std::size_t k = bytes.size(); k > 0; --k) {
        if (static_cast<unsigned char>(bytes[k - 1]) < limit) {
            return k;
        }
    }
    return 0;
}

} // namespace

ReadBackDecoder::ReadBackDecoder(PageEncoding encoding, TextPieces pieces)
    : m_encoding(encoding)
    , m_pieces(std::move(pieces))
{
}

bool ReadBackDecoder::add(std::string_view bytes)
{
    if (m_failed) {
        return false;
    }
    // The bytes held back from the last piece go first; without them, the piece is read where
    // it lies and only what it holds back is kept.
    const bool held = !m_held.empty();
    if (held) {
        m_held += bytes;
    }
    const std::string_view input = held ? std::string_view(m_held) : bytes;
    const std::string_view mark = ByteOrderMark(m_encoding);
    std::size_t from = 0;
    if (!m_markRead) {
        if (input.size() < mark.size()) {
            if (!held) {
                m_held.assign(input);
            }
            return true;
        }
        if (!input.starts_with(mark)) {
            m_failed = true;
            return false;
        }
        from = mark.size();
        m_markRead = true;
    }
    const std::string_view rest = input.substr(from);
    const std::size_t end = safeEnd(rest, m_encoding);
    if (end > 0) {
        m_text.clear();
        if (!decodeStretch(rest.substr(0, end), m_encoding, m_text)) {
            m_failed = true;
            return false;
        }
        m_pieces(m_text);
    }
    if (held) {
        m_held.erase(0, from + end);
    } else {
        m_held.assign(rest.substr(end));
    }
    return true;
}

bool ReadBackDecoder::finish()
{
    if (m_failed || (!m_markRead && m_held.size() < ByteOrderMark(m_encoding).size())) {
        return false;
    }
    const std::string_view mark = m_markRead ? std::string_view() : ByteOrderMark(m_encoding);
    if (!std::string_view(m_held).starts_with(mark)) {
        return false;
    }
    m_text.clear();
    if (!decodeStretch(std::string_view(m_held).substr(mark.size()), m_encoding, m_text)) {
        return false;
    }
    m_held.clear();
    m_pieces(m_text);
    return true;
}

bool ReadBackInto(std::string_view bytes, const PageEncoding& encoding, std::u16string& text)
{
    text.clear();
    const std::string_view mark = ByteOrderMark(encoding);
    if (!bytes.starts_with(mark)) {
        return false;
    }
    return decodeStretch(bytes.substr(mark.size()), encoding, text);
}

} // namespace quorlane::files
