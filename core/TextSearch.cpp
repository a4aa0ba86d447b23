#include "core/TextSearch.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorlane::core {

namespace {

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Equal ignoring case, for an ASCII needle unit n. Only the two cases of a letter map to the
// same value under "or 0x20", so no other code unit can match a letter.
bool sameIgnoringCase(char16_t t, char16_t n)
{
    if (isAsciiLetter(n)) {
        return static_cast<char16_t>(t | 0x20) == static_cast<char16_t>(n | 0x20);
    }
    return t == n;
}

// First position at or after from whose unit, or-ed with fold, equals target.
std::size_t findFolded(std::u16string_view text, char16_t target, char16_t fold, std::size_t from)
{
    const char16_t* data = text.data();
    const std::size_t size = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(target));
    const __m128i folding = _mm_set1_epi16(static_cast<short>(fold));
    for (; i + 8 <= size; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hits = _mm_cmpeq_epi16(_mm_or_si128(units, folding), wanted);
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
        }
    }
#endif
    for (; i < size; ++i) {
        if (static_cast<char16_t>(data[i] | fold) == target) {
            return i;
        }
    }
    return npos;
}

// First position p in [from, last) where text[p] and text[p + 1] match the first two units of
// a needle (ignoring the case of ASCII letters when asked); last must leave room for text[p + 1].
// Testing two units at a time passes over the many "<" of markup that begin other tags.
std::size_t findPair(std::u16string_view text, char16_t first, char16_t second, std::size_t from,
                     std::size_t last, bool ignoreCase)
{
    const char16_t fold0 = ignoreCase && isAsciiLetter(first) ? 0x20 : 0;
    const char16_t fold1 = ignoreCase && isAsciiLetter(second) ? 0x20 : 0;
    const auto target0 = static_cast<char16_t>(first | fold0);
    const auto target1 = static_cast<char16_t>(second | fold1);
    const char16_t* data = text.data();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wanted0 = _mm_set1_epi16(static_cast<short>(target0));
    const __m128i wanted1 = _mm_set1_epi16(static_cast<short>(target1));
    const __m128i folding0 = _mm_set1_epi16(static_cast<short>(fold0));
    const __m128i folding1 = _mm_set1_epi16(static_cast<short>(fold1));
    for (; i + 9 <= text.size() && i < last; i += 8) {
        const __m128i units0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i units1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
        const __m128i hits =
            _mm_and_si128(_mm_cmpeq_epi16(_mm_or_si128(units0, folding0), wanted0),
                          _mm_cmpeq_epi16(_mm_or_si128(units1, folding1), wanted1));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) {
            const std::size_t at =
                i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
            return at < last ? at : npos;
        }
    }
#endif
    for (; i < last; ++i) {
        if (static_cast<char16_t>(data[i] | fold0) == target0 &&
            static_cast<char16_t>(data[i + 1] | fold1) == target1) {
            return i;
        }
    }
    return npos;
}

} // namespace

std::size_t FindUnit(std::u16string_view text, char16_t unit, std::size_t from)
{
    if (from >= text.size()) {
        return npos;
    }
    return findFolded(text, unit, 0, from);
}

bool MatchesIgnoreCase(std::u16string_view text, std::size_t pos, std::u16string_view needle)
{
    if (pos > text.size() || text.size() - pos < needle.size()) {
        return false;
    }
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (!sameIgnoringCase(text[pos + k], needle[k])) {
            return false;
        }
    }
    return true;
}

namespace {

std::size_t findNeedle(std::u16string_view text, std::u16string_view needle, std::size_t from,
                       bool ignoreCase)
{
    if (needle.empty()) {
        return from <= text.size() ? from : npos;
    }
    if (from >= text.size() || needle.size() > text.size()) {
        return npos;
    }
    if (needle.size() == 1) {
        const bool fold = ignoreCase && isAsciiLetter(needle[0]);
        return findFolded(text, fold ? static_cast<char16_t>(needle[0] | 0x20) : needle[0],
                          fold ? 0x20 : 0, from);
    }
    const std::size_t last = text.size() - needle.size() + 1;
    while (from < last) {
        const std::size_t at = findPair(text, needle[0], needle[1], from, last, ignoreCase);
        if (at == npos) {
            return npos;
        }
        const bool match = ignoreCase ? MatchesIgnoreCase(text, at, needle)
                                      : text.compare(at, needle.size(), needle) == 0;
        if (match) {
            return at;
        }
        from = at + 1;
    }
    return npos;
}

} // namespace

std::size_t FindExact(std::u16string_view text, std::u16string_view needle, std::size_t from)
{
    return findNeedle(text, needle, from, false);
}

std::size_t FindIgnoreCase(std::u16string_view text, std::u16string_view needle, std::size_t from)
{
    return findNeedle(text, needle, from, true);
}

std::size_t Find(std::u16string_view text, std::u16string_view needle, std::size_t from,
                 bool ignoreCase)
{
    return ignoreCase ? FindIgnoreCase(text, needle, from) : FindExact(text, needle, from);
}

std::size_t FindLastIgnoreCase(std::u16string_view text, std::u16string_view needle,
                               std::size_t end)
{
    if (end > text.size()) {
        end = text.size();
    }
    if (needle.size() > end) {
        return npos;
    }
    for (std::size_t at = end - needle.size() + 1; at-- > 0;) {
        if (MatchesIgnoreCase(text, at, needle)) {
            return at;
        }
    }
    return npos;
}

} // namespace quorlane::core
