#include "core/PageEncoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/SealedPage.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

constexpr std::uint64_t units(char16_t a, char16_t b, char16_t c, char16_t d)
{
    // Four code units in the order they stand in memory (little-endian).
    return std::uint64_t(a) | std::uint64_t(b) << 16 | std::uint64_t(c) << 32 |
           std::uint64_t(d) << 48;
}

// For each byte value: "%XX" (plus a unit of no meaning) for a code unit below 0x100, "%uXX"
// for the high byte of one above, and the two hex digits "XX".
struct EscapeTables
{
    std::array<std::uint64_t, 256> narrow{};
    std::array<std::uint64_t, 256> wideHead{};
    std::array<std::uint32_t, 256> digits{};

    constexpr EscapeTables()
    {
        for (unsigned b = 0; b < 256; ++b) {
            const char16_t high = hexDigits[b >> 4];
            const char16_t low = hexDigits[b & 15];
            narrow[b] = units(u'%', high, low, 0);
            wideHead[b] = units(u'%', u'u', high, low);
            digits[b] = static_cast<std::uint32_t>(units(high, low, 0, 0));
        }
    }
};
constexpr EscapeTables tables;

// Escapes one code unit at dst; gives the position after it. Every code unit is written with
// the same two stores, six units wide, and the position moves on by the three or six units
// that count, so there is no branch on the kind of character.
inline char16_t* escapeOne(char16_t* dst, char16_t c)
{
    const bool wide = c >= 0x100;
    const std::uint64_t head = wide ? tables.wideHead[c >> 8] : tables.narrow[c & 0xFF];
    const std::uint32_t tail = tables.digits[c & 0xFF];
    std::memcpy(dst, &head, sizeof head);
    std::memcpy(dst + 4, &tail, sizeof tail);
    return dst + (wide ? 6 : 3);
}

char16_t* escapeRun(char16_t* dst, const char16_t* src, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        dst = escapeOne(dst, src[i]);
    }
    return dst;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Eight code units below 0x100 at a time: their hex digits by table shuffle, spread into
// "%XX" triples by three more shuffles. Needs SSSE3, which the caller checks.
__attribute__((target("ssse3"))) char16_t* escapeRunSsse3(char16_t* dst, const char16_t* src,
                                                          std::size_t count)
{
    // Output unit u of a block of 24: "%" when u % 3 == 0, else the high (u % 3 == 1) or low
    // digit of input byte u / 3, which stand at 2 * (u / 3) and 2 * (u / 3) + 1 of the digits.
    // Bytes with index -1 come out as 0: the high bytes of the units, and the "%" slots.
    alignas(16) static constexpr signed char spread[3][16] = {
        {-1, -1, 0, -1, 1, -1, -1, -1, 2, -1, 3, -1, -1, -1, 4, -1},
        {5, -1, -1, -1, 6, -1, 7, -1, -1, -1, 8, -1, 9, -1, -1, -1},
        {10, -1, 11, -1, -1, -1, 12, -1, 13, -1, -1, -1, 14, -1, 15, -1},
    };
    alignas(16) static constexpr unsigned char percents[3][16] = {
        {'%', 0, 0, 0, 0, 0, '%', 0, 0, 0, 0, 0, '%', 0, 0, 0},
        {0, 0, '%', 0, 0, 0, 0, 0, '%', 0, 0, 0, 0, 0, '%', 0},
        {0, 0, 0, 0, '%', 0, 0, 0, 0, 0, '%', 0, 0, 0, 0, 0},
    };
    const __m128i hexDigitBytes = _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
                                                'A', 'B', 'C', 'D', 'E', 'F');
    const __m128i lowNibble = _mm_set1_epi8(0x0F);
    std::size_t i = 0;
    while (i + 8 <= count) {
        const __m128i input = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i highBytes = _mm_srli_epi16(input, 8);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(highBytes, _mm_setzero_si128())) != 0xFFFF) {
            // A unit above 0xFF among them: these eight one by one.
            const std::size_t stop = i + 8;
            for (; i < stop; ++i) {
                dst = escapeOne(dst, src[i]);
            }
            continue;
        }
        const __m128i bytes = _mm_packus_epi16(input, input);
        const __m128i high =
            _mm_shuffle_epi8(hexDigitBytes, _mm_and_si128(_mm_srli_epi16(bytes, 4), lowNibble));
        const __m128i low = _mm_shuffle_epi8(hexDigitBytes, _mm_and_si128(bytes, lowNibble));
        const __m128i digits = _mm_unpacklo_epi8(high, low);
        for (int k = 0; k < 3; ++k) {
            const __m128i spreadMask = _mm_load_si128(reinterpret_cast<const __m128i*>(spread[k]));
            const __m128i percent = _mm_load_si128(reinterpret_cast<const __m128i*>(percents[k]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst) + k,
                             _mm_or_si128(_mm_shuffle_epi8(digits, spreadMask), percent));
        }
        dst += 24;
        i += 8;
    }
    return escapeRun(dst, src + i, count - i);
}

bool hasSsse3()
{
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}
#endif

// Escapes in slices through a small buffer that stays in cache; out must already have room.
void escapeInto(std::u16string& out, std::u16string_view text)
{
    constexpr std::size_t sliceUnits = 1024;
    char16_t buffer[sliceUnits * 6 + 8];
    for (std::size_t i = 0; i < text.size(); i += sliceUnits) {
        const std::size_t count = std::min(sliceUnits, text.size() - i);
#if defined(__x86_64__) && defined(__GNUC__)
        char16_t* end = hasSsse3() ? escapeRunSsse3(buffer, text.data() + i, count)
                                   : escapeRun(buffer, text.data() + i, count);
#else
        char16_t* end = escapeRun(buffer, text.data() + i, count);
#endif
        out.append(buffer, static_cast<std::size_t>(end - buffer));
    }
}

} // namespace

std::size_t EscapedSize(std::u16string_view text)
{
    std::size_t wide = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Eight units at a time: a unit is wide when its high byte is not zero.
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i narrow = _mm_cmpeq_epi16(_mm_srli_epi16(units, 8), _mm_setzero_si128());
        wide += 8 - static_cast<std::size_t>(
                        __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(narrow)))) /
                        2;
    }
#endif
    for (; i < text.size(); ++i) {
        wide += text[i] >= 0x100 ? 1 : 0;
    }
    return 3 * text.size() + 3 * wide;
}

void AppendEscaped(std::u16string& out, std::u16string_view text)
{
    out.reserve(out.size() + EscapedSize(text));
    escapeInto(out, text);
}

std::u16string EscapeText(std::u16string_view text)
{
    std::u16string out;
    AppendEscaped(out, text);
    return out;
}

std::u16string MakeWriterBlock(std::u16string_view text)
{
    std::u16string block;
    block.reserve(writerBlockStart.size() + EscapedSize(text) + writerBlockEnd.size());
    block += writerBlockStart;
    escapeInto(block, text);
    block += writerBlockEnd;
    return block;
}

std::u16string WriterFunctionText()
{
    return u"\r\nvar qv_ok=true;\r\nfunction qv_d00(s)\r\n{\r\n   if(!qv_ok)\r\n       "
           u"return;\r\n   document.write(s)\r\n}\r\n";
}

MarkupEncoding::MarkupEncoding(std::u16string_view markup)
{
    std::size_t rest = 0;
    for (;;) {
        const std::size_t p = FindIgnoreCase(markup, u"<script ", rest);
        const std::size_t e = p == npos ? npos : FindIgnoreCase(markup, u"</script>", p);
        if (e == npos) {
            // No script element left, or one that never ends: the rest is plain markup.
            add(markup.substr(rest), false);
            return;
        }
        const std::size_t g = FindUnit(markup, u'>', p);
        const std::size_t elementEnd = e + 9;
        if (ContainsIgnoreCase(markup.substr(p, g - p), u"src=")) {
            add(markup.substr(rest, p - rest), false);
            add(markup.substr(p, elementEnd - p), true);
        } else {
            add(markup.substr(rest, elementEnd - rest), false);
        }
        rest = elementEnd;
    }
}

void MarkupEncoding::add(std::u16string_view text, bool kept)
{
    const std::size_t size =
        kept ? text.size() : writerBlockStart.size() + EscapedSize(text) + writerBlockEnd.size();
    m_pieces.push_back({text, kept, size});
    m_size += size;
}

void MarkupEncoding::appendTo(std::u16string& out, HiddenPartSealer* sealer) const
{
    out.reserve(out.size() + m_size);
    for (const Piece& piece : m_pieces) {
        if (piece.kept) {
            out += piece.text;
        } else if (sealer != nullptr) {
            AppendSealedWriterBlock(out, piece.text, *sealer);
        } else {
            out += writerBlockStart;
            escapeInto(out, piece.text);
            out += writerBlockEnd;
        }
    }
}

std::u16string EncodeMarkup(std::u16string_view markup)
{
    const MarkupEncoding encoding(markup);
    std::u16string out;
    encoding.appendTo(out);
    return out;
}

} // namespace quorlane::core
