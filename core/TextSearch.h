#pragma once

#include <cstddef>
#include <string_view>

// Searches in page text. "Ignoring case" folds the ASCII letters only: every searched tag is
// ASCII, and any other code unit must match exactly.
namespace quorlane::core {

inline constexpr std::size_t npos = std::u16string_view::npos;

// First position at or after from holding unit, or npos.
std::size_t FindUnit(std::u16string_view text, char16_t unit, std::size_t from = 0);

// First occurrence of needle at or after from, or npos.
std::size_t FindExact(std::u16string_view text, std::u16string_view needle, std::size_t from = 0);
std::size_t FindIgnoreCase(std::u16string_view text, std::u16string_view needle,
                           std::size_t from = 0);

// Either of the two above.
std::size_t Find(std::u16string_view text, std::u16string_view needle, std::size_t from,
                 bool ignoreCase);

// The last occurrence of needle that ends at or before end, ignoring case, or npos.
std::size_t FindLastIgnoreCase(std::u16string_view text, std::u16string_view needle,
                               std::size_t end);

// Whether needle stands at pos, ignoring case.
bool MatchesIgnoreCase(std::u16string_view text, std::size_t pos, std::u16string_view needle);

inline bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view needle)
{
    return FindIgnoreCase(text, needle) != npos;
}

} // namespace quorlane::core
